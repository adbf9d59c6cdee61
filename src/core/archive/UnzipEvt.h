// The unzip wrapper's texts and events: TLPStr, a zero-terminated text with an optional fixed buffer, and
// TUnzipEvents, the four events the unzip library raises while one of its commands runs.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace hy::archive {

// A text handed to the unzip library: none while empty, else zero-terminated bytes. Texts change only
// through SetText and Clear; a fixed buffer holds at most its size - 1 characters.
class TLPStr {
public:
    TLPStr() = default;
    TLPStr(const TLPStr&) = delete;
    TLPStr& operator=(const TLPStr&) = delete;

    // Copies the text in, cut to the fixed buffer when there is one.
    void SetText(const QByteArray& text);
    void SetText(const char* text);
    // Empties a fixed buffer or drops the copy.
    void Clear();
    // Gives the text a fixed buffer of size characters, keeping the old text cut to size - 1; 0 drops the
    // fixed buffer.
    void SetBufferSize(quint16 size);

    // The text for the library: null when empty.
    const char* Text() const;
    QByteArray Bytes() const { return m_text; }
    bool IsEmpty() const { return m_text.isEmpty(); }
    quint16 BufferSize() const { return m_bufferSize; }
    bool FixedBuffer() const { return m_fixed; }

private:
    QByteArray m_text;
    quint16 m_bufferSize = 0;
    bool m_fixed = false;
};

class TUnzipEvents;

// Progress of the item under way; setting doCancel stops the command.
using TStatusCallback
    = std::function<void(TUnzipEvents* sender, const QString& szItem, qint32 percent, bool& doCancel)>;
// A notice or question of the library; rtnResult is the answer handed back.
using TMessageCallback = std::function<void(TUnzipEvents* sender, quint16 msgId, quint16 mbType, qint32 p1, qint32 p2,
    const QString& lpsz1, const QString& lpsz2, qint32& rtnResult)>;
using TRenameCallback = std::function<void(TUnzipEvents* sender, void* dzr)>;

class TUnzipEvents {
public:
    TUnzipEvents() = default;
    virtual ~TUnzipEvents();
    TUnzipEvents(const TUnzipEvents&) = delete;
    TUnzipEvents& operator=(const TUnzipEvents&) = delete;

    TStatusCallback OnMajorCallback;
    TStatusCallback OnMinorCallback;
    TMessageCallback OnMessageCallback;
    TRenameCallback OnRenameCallback;

protected:
    // The entry points handed to the library; user is the TUnzipEvents object. Without a handler the
    // status calls answer "go on" and the message call answers 0.
    static bool MajorStatus(const char* item, qint32 percent, void* user);
    static bool MinorStatus(const char* item, qint32 percent, void* user);
    static qint32 Message(
        quint16 msgId, quint16 mbType, qint32 p1, qint32 p2, const char* lpsz1, const char* lpsz2, void* user);
    static qint32 Rename(void* record, void* user);
};

} // namespace hy::archive
