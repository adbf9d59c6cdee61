// Reading and writing [section] name=value files.
#include "platform/ProfileFile.h"

#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformFiles.h"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace hy::platform {

using namespace hy::base;

namespace {
    bool IsBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

    // The inner text of a value that is one quoted stretch as a whole ("..." with every inner quote
    // escaped), unescaped; false for anything else.
    bool UnquoteWhole(const QString& text, QString& inner)
    {
        if (text.size() < 2 || !text.startsWith(QLatin1Char('"')) || !text.endsWith(QLatin1Char('"')))
            return false;
        QString out;
        const qsizetype last = text.size() - 1;
        for (qsizetype i = 1; i < last; ++i) {
            const QChar c = text.at(i);
            if (c == QLatin1Char('"'))
                return false;
            if (c != QLatin1Char('\\') || i + 1 >= last) {
                out += c;
                continue;
            }
            const QChar next = text.at(++i);
            if (next == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else if (next == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else if (next == QLatin1Char('"') || next == QLatin1Char('\\'))
                out += next;
            else
                out += QLatin1Char('\\') + next;
        }
        if (text.at(last - 1) == QLatin1Char('\\') && last - 1 >= 1) {
            // The closing quote was escaped: the stretch never closes.
            qsizetype slashes = 0;
            for (qsizetype i = last - 1; i >= 1 && text.at(i) == QLatin1Char('\\'); --i)
                ++slashes;
            if (slashes % 2 == 1)
                return false;
        }
        inner = out;
        return true;
    }

    // A section name as it stands between the brackets. One that would not read back as it is (holding a "%",
    // a "]" or a control character, or with blanks at its edges: the reader trims them) is written
    // percent-encoded, as the reader decodes a name that holds a "%".
    QString SectionNameText(const QString& name)
    {
        const bool plain = name == name.trimmed() && std::none_of(name.cbegin(), name.cend(), [](QChar c) {
            return c == QLatin1Char('%') || c == QLatin1Char(']') || c.unicode() < 0x20 || c.unicode() == 0x7F;
        });
        return plain ? name : QString::fromLatin1(name.toUtf8().toPercentEncoding());
    }

    // Creates every missing folder of a path, outermost first.
    int MakeFolders(const QByteArray& folder)
    {
        for (qsizetype slash = folder.indexOf('/', 1);; slash = folder.indexOf('/', slash + 1)) {
            const QByteArray part = slash < 0 ? folder : folder.left(slash);
            if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
                return ErrorCodeFromErrno(errno, part.constData());
            if (slash < 0)
                break;
        }
        struct stat st { };
        if (::stat(folder.constData(), &st) != 0)
            return ErrorCodeFromErrno(errno, folder.constData());
        return S_ISDIR(st.st_mode) ? 0 : kErrorPathNotFound;
    }
} // namespace

QString ParseProfileValue(const QString& raw)
{
    qsizetype from = 0;
    qsizetype to = raw.size();
    while (from < to && IsBlank(raw.at(from)))
        ++from;
    while (to > from && (IsBlank(raw.at(to - 1)) || raw.at(to - 1) == QLatin1Char('\r')))
        --to;
    const QString text = raw.mid(from, to - from);
    QString inner;
    return UnquoteWhole(text, inner) ? inner : text;
}

QString ProfileValueText(const QString& value)
{
    const bool edgeBlank = !value.isEmpty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool lineBreak = value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'));
    QString inner;
    if (!edgeBlank && !lineBreak && !UnquoteWhole(value, inner))
        return value;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : value) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\') + c;
        else if (c == QLatin1Char('\n'))
            quoted += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            quoted += QStringLiteral("\\r");
        else
            quoted += c;
    }
    return quoted + QLatin1Char('"');
}

TProfileFile::TProfileFile(const QString& path)
{
    QByteArray text;
    const int code = ReadSmallFile(path, kMaxProfileFileSize, text);
    if (code == 0)
        Parse(text);
    else if (code != kErrorFileNotFound && code != kErrorPathNotFound)
        m_readError = code;
}

void TProfileFile::Parse(const QByteArray& text)
{
    Section* current = nullptr;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            QString name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
            // Earlier versions wrote blanks in section names as %20.
            if (name.contains(QLatin1Char('%')))
                name = QString::fromUtf8(QByteArray::fromPercentEncoding(name.toUtf8()));
            current = SectionNamed(name);
            if (!current) {
                m_sections.append(Section { name, {} });
                current = &m_sections.last();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!current || equals <= 0)
            continue;
        const QString name = line.left(equals).trimmed();
        if (name.isEmpty())
            continue;
        const QString value = ParseProfileValue(line.mid(equals + 1));
        bool replaced = false;
        for (Entry& e : current->Entries) {
            if (e.Name == name) {
                e.Value = value;
                replaced = true;
            }
        }
        if (!replaced)
            current->Entries.append(Entry { name, value });
    }
}

TProfileFile::Section* TProfileFile::SectionNamed(const QString& name)
{
    for (Section& s : m_sections) {
        if (s.Name == name)
            return &s;
    }
    return nullptr;
}

bool TProfileFile::Find(const QString& section, const QString& name, QString& value, Qt::CaseSensitivity cs) const
{
    for (const Section& s : m_sections) {
        if (s.Name.compare(section, cs) != 0)
            continue;
        for (const Entry& e : s.Entries) {
            if (e.Name.compare(name, cs) == 0) {
                value = e.Value;
                return true;
            }
        }
    }
    return false;
}

void TProfileFile::Set(const QString& section, const QString& name, const QString& value)
{
    Section* s = SectionNamed(section);
    if (!s) {
        m_sections.append(Section { section, {} });
        s = &m_sections.last();
    }
    for (Entry& e : s->Entries) {
        if (e.Name == name) {
            e.Value = value;
            return;
        }
    }
    s->Entries.append(Entry { name, value });
}

QByteArray TProfileFile::Text() const
{
    QString text;
    for (const Section& s : m_sections) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QLatin1Char('[') + SectionNameText(s.Name) + QStringLiteral("]\n");
        for (const Entry& e : s.Entries)
            text += e.Name + QLatin1Char('=') + ProfileValueText(e.Value) + QLatin1Char('\n');
    }
    return text.toUtf8();
}

int TProfileFile::Save(const QString& path, const QByteArray& text)
{
    const QByteArray native = EncodeFileName(path);
    const qsizetype slash = native.lastIndexOf('/');
    if (slash > 0) {
        if (const int code = MakeFolders(native.left(slash)))
            return code;
    }
    TReplacingFile file(path);
    if (const int code = file.Open())
        return code;
    if (const int code = file.Write(text))
        return code;
    return file.Commit();
}

} // namespace hy::platform
