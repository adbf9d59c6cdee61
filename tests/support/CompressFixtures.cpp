// Generated texts and tool runs for the compressed-file tests.
#include "support/CompressFixtures.h"

#include "support/Tools.h"

#include <QRandomGenerator>

namespace hy::test {

QByteArray MakeLogText(qint64 size, quint32 seed, const QByteArray& lineEnds)
{
    static const char* const levels[] = { "INFO ", "DEBUG", "WARN ", "ERROR" };
    static const char* const words[] = { "request", "served", "cache", "miss", "upload", "token", "session", "closed",
        "retry", "backend", "timeout", "ok" };
    QRandomGenerator random(seed);
    QByteArray text;
    text.reserve(size + 256);
    qint64 line = 0;
    while (text.size() < size) {
        text += "2024-05-" + QByteArray::number(1 + line % 28).rightJustified(2, '0') + ' '
            + QByteArray::number(line % 24).rightJustified(2, '0') + ':'
            + QByteArray::number(random.bounded(60)).rightJustified(2, '0') + ' ' + levels[random.bounded(4)]
            + " worker-" + QByteArray::number(random.bounded(64));
        const int count = int(random.bounded(1, 9));
        for (int i = 0; i < count; ++i)
            text += QByteArray(" ") + words[random.bounded(12)];
        text += " #" + QByteArray::number(line);
        if (lineEnds == "mixed") {
            static const char* const ends[] = { "\n", "\r\n", "\r", "\n\n" };
            text += ends[random.bounded(4)];
        } else {
            text += lineEnds;
        }
        ++line;
    }
    text.truncate(size);
    return text;
}

qint64 PlainLineEnds(const QByteArray& text)
{
    qint64 count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')))
            ++count;
    }
    return count;
}

QList<qint64> PlainLineStarts(const QByteArray& text)
{
    QList<qint64> starts { 0 };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (text[i] == '\r' || text[i] == '\n')
            starts.append(i + 1);
    }
    return starts;
}

const QList<TCompressTool>& CompressTools()
{
    static const QList<TCompressTool> tools = {
        { "gzip", "gzip", { "-c" } },
        { "bzip2", "bzip2", { "-c" } },
        { "xz", "xz", { "-c" } },
        { "lzma", "xz", { "--format=lzma", "-c" } },
        { "zstd", "zstd", { "-q", "-c" } },
        { "lz4", "lz4", { "-q", "-c" } },
        { "compress", "compress", { "-f", "-c" } },
    };
    return tools;
}

QString CompressInto(const TTempFolder& folder, const QString& name, const QByteArray& data, const QString& program,
    const QStringList& args)
{
    const TToolResult result = RunTool(program, args, data);
    if (result.ExitCode != 0 || result.Output.isEmpty())
        return QString();
    return folder.Write(name, result.Output);
}

QByteArray ToolDecompress(const QString& program, const QString& path)
{
    return RunTool(program, { QStringLiteral("-dc"), path }).Output;
}

} // namespace hy::test
