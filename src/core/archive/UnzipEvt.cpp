// TLPStr and the library's entry points into the TUnzipEvents events.
#include "core/archive/UnzipEvt.h"

namespace hy::archive {

void TLPStr::SetText(const QByteArray& text)
{
    m_text = text;
    // The library reads up to the first zero byte.
    const qsizetype zero = m_text.indexOf('\0');
    if (zero >= 0)
        m_text.truncate(zero);
    if (m_fixed)
        m_text.truncate(qMax(0, int(m_bufferSize) - 1));
}

void TLPStr::SetText(const char* text) { SetText(text ? QByteArray(text) : QByteArray()); }

void TLPStr::Clear() { m_text.clear(); }

void TLPStr::SetBufferSize(quint16 size)
{
    m_bufferSize = size;
    m_fixed = size > 0;
    if (m_fixed)
        m_text.truncate(int(size) - 1);
}

const char* TLPStr::Text() const { return m_text.isEmpty() ? nullptr : m_text.constData(); }

TUnzipEvents::~TUnzipEvents() = default;

namespace {
    QString FromLibrary(const char* text) { return text ? QString::fromUtf8(text) : QString(); }
} // namespace

bool TUnzipEvents::MajorStatus(const char* item, qint32 percent, void* user)
{
    auto* self = static_cast<TUnzipEvents*>(user);
    bool cancel = false;
    if (self && self->OnMajorCallback)
        self->OnMajorCallback(self, FromLibrary(item), percent, cancel);
    return cancel;
}

bool TUnzipEvents::MinorStatus(const char* item, qint32 percent, void* user)
{
    auto* self = static_cast<TUnzipEvents*>(user);
    bool cancel = false;
    if (self && self->OnMinorCallback)
        self->OnMinorCallback(self, FromLibrary(item), percent, cancel);
    return cancel;
}

qint32 TUnzipEvents::Message(
    quint16 msgId, quint16 mbType, qint32 p1, qint32 p2, const char* lpsz1, const char* lpsz2, void* user)
{
    auto* self = static_cast<TUnzipEvents*>(user);
    qint32 result = 0;
    if (self && self->OnMessageCallback)
        self->OnMessageCallback(self, msgId, mbType, p1, p2, FromLibrary(lpsz1), FromLibrary(lpsz2), result);
    return result;
}

qint32 TUnzipEvents::Rename(void* record, void* user)
{
    auto* self = static_cast<TUnzipEvents*>(user);
    if (self && self->OnRenameCallback)
        self->OnRenameCallback(self, record);
    return 0;
}

} // namespace hy::archive
