// libFuzzer target: any bytes read as a settings file never crash, what is written reads back as it was read
// (writing the same values twice gives the same file), and a value the program sets (any text) reads back
// exactly, through the profile file and through the settings store, with the file's other values kept.
// Input: two bytes giving the length of the value, the value (UTF-8), then the file.
#include "platform/ProfileFile.h"
#include "platform/SettingsStore.h"

#include "FuzzSupport.h"

#include <QCoreApplication>

using namespace hy::platform;
using hy::fuzz::TScratch;

namespace {
QByteArray Reread(const TScratch& scratch, const QByteArray& text)
{
    const QString path
        = scratch.Write("again.conf", reinterpret_cast<const uint8_t*>(text.constData()), size_t(text.size()));
    const TProfileFile file(path);
    HY_FUZZ_CHECK(file.ReadError() == 0);
    return file.Text();
}
} // namespace

HY_FUZZ_APPLICATION(QCoreApplication)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    hy::fuzz::TInput input(data, size);
    const uint32_t valueSize = input.Number(4096);
    QByteArray rest = input.Rest();
    const QString value = QString::fromUtf8(rest.left(valueSize));
    rest.remove(0, valueSize);
    const qint64 number = qint64(qHash(rest) >> 2) - qint64(size);

    HY_FUZZ_CHECK(ParseProfileValue(ProfileValueText(value)) == value);

    const TScratch scratch;
    const QString path
        = scratch.Write("settings.conf", reinterpret_cast<const uint8_t*>(rest.constData()), size_t(rest.size()));
    TProfileFile file(path);
    HY_FUZZ_CHECK(file.ReadError() == 0);
    const QByteArray written = file.Text();
    HY_FUZZ_CHECK(Reread(scratch, written) == written);

    // A value set reads back; the rest of the file stays.
    file.Set(QStringLiteral("Fuzz"), QStringLiteral("Value"), value);
    const QByteArray withValue = file.Text();
    HY_FUZZ_CHECK(TProfileFile::Save(path, withValue) == 0);
    const TProfileFile again(path);
    QString read;
    HY_FUZZ_CHECK(again.Find(QStringLiteral("Fuzz"), QStringLiteral("Value"), read) && read == value);
    HY_FUZZ_CHECK(again.Text() == withValue);

    // The same through the store, with a number beside it.
    {
        SettingsStore store(path);
        HY_FUZZ_CHECK(store.ReadError() == 0);
        store.WriteString(QStringLiteral("Fuzz Store"), QStringLiteral("Text"), value);
        store.WriteInteger(QStringLiteral("Fuzz Store"), QStringLiteral("Number"), number);
        store.Flush();
    }
    const SettingsStore store(path);
    HY_FUZZ_CHECK(store.ReadString(QStringLiteral("Fuzz Store"), QStringLiteral("Text"), QStringLiteral("?")) == value);
    HY_FUZZ_CHECK(store.ReadInteger(QStringLiteral("Fuzz Store"), QStringLiteral("Number"), number ^ 1) == number);
    HY_FUZZ_CHECK(store.ReadString(QStringLiteral("Fuzz"), QStringLiteral("Value"), QStringLiteral("?")) == value);
    return 0;
}
