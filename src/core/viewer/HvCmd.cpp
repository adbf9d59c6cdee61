// Command tables, the three built-in tables, key translation and the stored and text forms of tables.
#include "core/viewer/HvCmd.h"

#include "base/ErrorCodes.h"
#include "core/viewer/HvKeys.h"
#include "platform/FileNames.h"
#include "platform/PlatformErrors.h"
#include "platform/PlatformFiles.h"

#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

namespace hy::viewer {

using namespace hy::base;
using namespace hy::viewer;

namespace {

    constexpr quint8 kNone = 0;
    constexpr quint8 kShift = ssShift;
    constexpr quint8 kCtrl = ssCtrl;
    constexpr quint8 kCtrlShift = ssCtrl | ssShift;
    constexpr quint8 kAlt = ssAlt;

    constexpr THvCommandRecord Key(quint8 key, quint8 shift, quint16 command)
    {
        return THvCommandRecord { key, shift, 0, 0, command };
    }

    constexpr THvCommandRecord Keys(quint8 key1, quint8 shift1, quint8 key2, quint16 command)
    {
        return THvCommandRecord { key1, shift1, key2, ssSecondKeyPlain, command };
    }

    constexpr quint8 Letter(char c) { return static_cast<quint8>(c); }

    std::vector<THvCommandRecord> MakeDefault()
    {
        std::vector<THvCommandRecord> r {
            Key(vkLeft, kNone, ccLeft),
            Key(vkRight, kNone, ccRight),
            Key(vkLeft, kCtrl, ccWordLeft),
            Key(vkRight, kCtrl, ccWordRight),
            Key(vkHome, kNone, ccHome),
            Key(vkEnd, kNone, ccEnd),
            Key(vkDelete, kNone, ccDel),
            Key(vkBack, kNone, ccBack),
            Key(vkBack, kShift, ccBack),
            Key(vkPrior, kCtrl, ccTopOfPage),
            Key(vkNext, kCtrl, ccBotOfPage),
            Key(vkInsert, kNone, ccIns),
            Key(Letter('Z'), kCtrl, ccUndo),
            Key(vkBack, kAlt, ccRestore),
            Key(vkUp, kNone, ccUp),
            Key(vkDown, kNone, ccDown),
            Key(vkReturn, kCtrl, ccNewLine),
            Key(vkLeft, kShift, ccExtendLeft),
            Key(vkRight, kShift, ccExtendRight),
            Key(vkHome, kShift, ccExtendHome),
            Key(vkEnd, kShift, ccExtendEnd),
            Key(vkLeft, kCtrlShift, ccExtWordLeft),
            Key(vkRight, kCtrlShift, ccExtWordRight),
            Key(vkPrior, kShift, ccExtendPgUp),
            Key(vkNext, kShift, ccExtendPgDn),
            Key(vkUp, kShift, ccExtendUp),
            Key(vkDown, kShift, ccExtendDown),
            Key(vkHome, kCtrlShift, ccExtFirstPage),
            Key(vkEnd, kCtrlShift, ccExtLastPage),
            Key(vkPrior, kCtrlShift, ccExtTopOfPage),
            Key(vkNext, kCtrlShift, ccExtBotOfPage),
            Key(vkDelete, kShift, ccCut),
            Key(Letter('X'), kCtrl, ccCut),
            Key(vkInsert, kCtrl, ccCopy),
            Key(Letter('C'), kCtrl, ccCopy),
            Key(vkInsert, kShift, ccPaste),
            Key(Letter('V'), kCtrl, ccPaste),
            Key(vkPrior, kNone, ccPrevPage),
            Key(vkNext, kNone, ccNextPage),
            Key(vkHome, kCtrl, ccFirstPage),
            Key(vkEnd, kCtrl, ccLastPage),
            Key(vkTab, kNone, ccTab),
            Key(vkTab, kCtrl, ccTab),
            Key(Letter('Z'), kCtrlShift, ccRedo),
        };
        for (int i = 0; i < 10; ++i)
            r.push_back(Key(static_cast<quint8>(vkDigit0 + i), kCtrl, static_cast<quint16>(ccGotoMarker0 + i)));
        for (int i = 0; i < 10; ++i)
            r.push_back(Key(static_cast<quint8>(vkDigit0 + i), kCtrlShift, static_cast<quint16>(ccSetMarker0 + i)));
        return r;
    }

    std::vector<THvCommandRecord> MakeWordStar()
    {
        std::vector<THvCommandRecord> r {
            Key(Letter('S'), kCtrl, ccLeft),
            Key(Letter('D'), kCtrl, ccRight),
            Key(Letter('E'), kCtrl, ccUp),
            Key(Letter('X'), kCtrl, ccDown),
            Key(Letter('R'), kCtrl, ccPrevPage),
            Key(Letter('C'), kCtrl, ccNextPage),
            Key(Letter('W'), kCtrl, ccScrollUp),
            Key(Letter('Z'), kCtrl, ccScrollDown),
            Key(Letter('A'), kCtrl, ccWordLeft),
            Key(Letter('F'), kCtrl, ccWordRight),
            Keys(Letter('Q'), kCtrl, Letter('S'), ccHome),
            Keys(Letter('Q'), kCtrl, Letter('D'), ccEnd),
            Key(Letter('G'), kCtrl, ccDel),
            Key(Letter('H'), kCtrl, ccBack),
            Key(Letter('Y'), kCtrl, ccDelLine),
            Keys(Letter('Q'), kCtrl, Letter('Y'), ccDelEol),
            Key(Letter('V'), kCtrl, ccIns),
            Key(Letter('T'), kCtrl, ccDelWord),
            Key(Letter('P'), kCtrl, ccCtrlChar),
            Keys(Letter('Q'), kCtrl, Letter('L'), ccRestore),
        };
        for (int i = 0; i < 10; ++i)
            r.push_back(
                Keys(Letter('Q'), kCtrl, static_cast<quint8>(vkDigit0 + i), static_cast<quint16>(ccGotoMarker0 + i)));
        for (int i = 0; i < 10; ++i)
            r.push_back(
                Keys(Letter('K'), kCtrl, static_cast<quint8>(vkDigit0 + i), static_cast<quint16>(ccSetMarker0 + i)));
        return r;
    }

    std::vector<THvCommandRecord> MakeGrid()
    {
        return {
            Key(vkLeft, kNone, ccLeft),
            Key(vkRight, kNone, ccRight),
            Key(vkLeft, kCtrl, ccPageLeft),
            Key(vkRight, kCtrl, ccPageRight),
            Key(vkHome, kNone, ccHome),
            Key(vkEnd, kNone, ccEnd),
            Key(vkDelete, kNone, ccDel),
            Key(vkBack, kNone, ccBack),
            Key(vkNext, kCtrl, ccBotOfPage),
            Key(vkPrior, kCtrl, ccTopOfPage),
            Key(vkInsert, kNone, ccIns),
            Key(Letter('Z'), kCtrl, ccRestore),
            Key(vkUp, kNone, ccUp),
            Key(vkDown, kNone, ccDown),
            Key(vkLeft, kShift, ccExtendLeft),
            Key(vkRight, kShift, ccExtendRight),
            Key(vkHome, kShift, ccExtendHome),
            Key(vkEnd, kShift, ccExtendEnd),
            Key(vkLeft, kCtrlShift, ccExtWordLeft),
            Key(vkRight, kCtrlShift, ccExtWordRight),
            Key(vkPrior, kShift, ccExtendPgUp),
            Key(vkNext, kShift, ccExtendPgDn),
            Key(vkUp, kShift, ccExtendUp),
            Key(vkDown, kShift, ccExtendDown),
            Key(vkHome, kCtrlShift, ccExtFirstPage),
            Key(vkEnd, kCtrlShift, ccExtLastPage),
            Key(vkPrior, kCtrlShift, ccExtTopOfPage),
            Key(vkNext, kCtrlShift, ccExtBotOfPage),
            Key(Letter('X'), kCtrl, ccCut),
            Key(Letter('C'), kCtrl, ccCopy),
            Key(Letter('V'), kCtrl, ccPaste),
            Key(vkPrior, kNone, ccPrevPage),
            Key(vkHome, kCtrl, ccFirstPage),
            Key(vkNext, kNone, ccNextPage),
            Key(vkEnd, kCtrl, ccLastPage),
            Key(vkUp, kCtrl, ccTopLeftCell),
            Key(vkDown, kCtrl, ccBotRightCell),
            Key(vkF2, kNone, ccTableEdit),
        };
    }

    const QString kDefaultName = QStringLiteral("Default");
    const QString kWordStarName = QStringLiteral("WordStar");
    const QString kGridName = QStringLiteral("Grid");

    // Names are compared ignoring the case of the letters a to z only.
    bool SameName(QStringView a, QStringView b)
    {
        if (a.size() != b.size())
            return false;
        for (qsizetype i = 0; i < a.size(); ++i) {
            char16_t x = a[i].unicode();
            char16_t y = b[i].unicode();
            if (x >= u'a' && x <= u'z')
                x -= u'a' - u'A';
            if (y >= u'a' && y <= u'z')
                y -= u'a' - u'A';
            if (x != y)
                return false;
        }
        return true;
    }

    bool IsModifierKey(quint16 key)
    {
        return key == vkShift || key == vkControl || key == vkMenu || key == vkCapital || key == vkNumLock
            || key == vkScroll;
    }

    constexpr int kInvalidNumericInput = 106;

    QString IoErrorText(int code)
    {
        switch (code) {
        case kErrorFileNotFound:
            return QStringLiteral("File not found");
        case kErrorPathNotFound:
            return QStringLiteral("Invalid filename");
        case kErrorTooManyOpenFiles:
            return QStringLiteral("Too many open files");
        case kErrorAccessDenied:
            return QStringLiteral("File access denied");
        case kInvalidNumericInput:
            return QStringLiteral("Invalid numeric input");
        default:
            return QStringLiteral("I/O error %1").arg(code);
        }
    }

    [[noreturn]] void ThrowIoError(int code) { throw EInOutError(IoErrorText(code), code); }

    // The program's code for a failed read: errno when the failure left one.
    [[noreturn]] void ThrowReadError(const QString& fileName, int savedErrno)
    {
        const QByteArray path = platform::EncodeFileName(fileName);
        ThrowIoError(savedErrno != 0 ? platform::ErrorCodeFromErrno(savedErrno, path.constData()) : kErrorDiskFault);
    }

} // namespace

// ---- records and exceptions ----

quint32 THvCommandRecord::KeySequence() const
{
    return quint32(Key1) | (quint32(Shift1) << 8) | (quint32(Key2) << 16) | (quint32(Shift2) << 24);
}

THvCommandRecord THvCommandRecord::FromKeySequence(quint32 keySequence, quint16 command)
{
    return THvCommandRecord { static_cast<quint8>(keySequence), static_cast<quint8>(keySequence >> 8),
        static_cast<quint8>(keySequence >> 16), static_cast<quint8>(keySequence >> 24), command };
}

ETableNotFound::ETableNotFound()
    : ECmdProcessorError(QStringLiteral("Command table not found or command table index out of range"))
{
}

EDuplicateCommand::EDuplicateCommand()
    : ECmdProcessorError(QStringLiteral("Duplicate command found while adding a new command to the table"))
{
}

// ---- THvCommandTable ----

THvCommandTable::THvCommandTable(QString name, bool active)
    : m_name(std::move(name))
    , m_active(active)
{
}

void THvCommandTable::AddRecord(const THvCommandRecord& record) { m_records.push_back(record); }

void THvCommandTable::InsertRecord(int index, const THvCommandRecord& record)
{
    index = std::clamp(index, 0, RecordCount());
    m_records.insert(m_records.begin() + index, record);
}

void THvCommandTable::ReplaceRecord(int index, const THvCommandRecord& record)
{
    if (index >= 0 && index < RecordCount())
        m_records[static_cast<size_t>(index)] = record;
}

void THvCommandTable::DeleteRecord(int index)
{
    if (index >= 0 && index < RecordCount())
        m_records.erase(m_records.begin() + index);
}

int THvCommandTable::FindKeys(const THvCommandRecord& record) const { return FindKeys(record.KeySequence()); }

int THvCommandTable::FindKeys(quint32 keySequence) const
{
    for (size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i].KeySequence() == keySequence)
            return static_cast<int>(i);
    }
    return -1;
}

THvCommandList THvCommandTable::CommandList() const
{
    THvCommandList list;
    list.reserve(RecordCount());
    for (const THvCommandRecord& r : m_records)
        list.append({ r.KeySequence(), r.Command });
    return list;
}

void THvCommandTable::SetCommandList(const THvCommandList& list)
{
    m_records.clear();
    for (const THvCommandPair& pair : list)
        m_records.push_back(THvCommandRecord::FromKeySequence(pair.KeySequence, pair.Command));
}

void THvCommandTable::SaveToFile(const QString& fileName) const
{
    QByteArray text = m_name.toUtf8();
    text += '\n';
    for (const THvCommandRecord& r : m_records) {
        text += QByteArray::number(r.Key1).rightJustified(4, ' ');
        text += QByteArray::number(r.Shift1).rightJustified(4, ' ');
        text += QByteArray::number(r.Key2).rightJustified(4, ' ');
        text += QByteArray::number(r.Shift2).rightJustified(4, ' ');
        text += QByteArray::number(r.Command).rightJustified(6, ' ');
        text += '\n';
    }
    // Written whole under a temporary name: a failed save leaves the old file as it was.
    platform::TReplacingFile file(fileName);
    int code = file.Open();
    if (code == 0)
        code = file.Write(text);
    if (code == 0)
        code = file.Commit();
    if (code != 0)
        ThrowIoError(code);
}

// ---- THvCommandProcessor ----

std::span<const THvCommandRecord> THvCommandProcessor::BuiltInRecords(QStringView tableName)
{
    static const std::vector<THvCommandRecord> defaultTable = MakeDefault();
    static const std::vector<THvCommandRecord> wordStarTable = MakeWordStar();
    static const std::vector<THvCommandRecord> gridTable = MakeGrid();
    if (SameName(tableName, kDefaultName))
        return defaultTable;
    if (SameName(tableName, kWordStarName))
        return wordStarTable;
    if (SameName(tableName, kGridName))
        return gridTable;
    return {};
}

THvCommandProcessor::THvCommandProcessor()
{
    const std::array<std::pair<const QString*, bool>, 3> builtIns { { { &kDefaultName, true },
        { &kWordStarName, false }, { &kGridName, false } } };
    for (const auto& [name, active] : builtIns) {
        CreateTable(*name, active);
        for (const THvCommandRecord& record : BuiltInRecords(*name))
            AddCommand(*name, record);
    }
    m_state = tsIdle;
}

THvCommandProcessor::~THvCommandProcessor() = default;

void THvCommandProcessor::ResetState()
{
    m_state = tsIdle;
    m_pendingKey = 0;
    m_pendingShift = 0;
}

quint16 THvCommandProcessor::TranslateNoKey()
{
    const quint16 result = m_state == tsPending ? quint16(cpBrokenSequence) : quint16(cpNotCommand);
    ResetState();
    return result;
}

quint16 THvCommandProcessor::TranslateKey(quint16 key, quint8 shift)
{
    if (IsModifierKey(key))
        return m_state == tsPending ? cpPendingSequence : cpNotCommand;
    if (m_state == tsLiteral) {
        ResetState();
        return cpNotCommand;
    }
    if (key > 0xFF)
        return TranslateNoKey();

    const auto k = static_cast<quint8>(key);
    for (const auto& table : m_tables) {
        if (!table->Active())
            continue;
        quint16 result = ccNone;
        bool beginsSequence = false;
        for (int i = 0; i < table->RecordCount(); ++i) {
            const THvCommandRecord& r = table->RecordAt(i);
            if (m_state == tsIdle) {
                if (r.Key1 != k || r.Shift1 != shift)
                    continue;
                if (r.Key2 != 0) {
                    beginsSequence = true;
                    result = cpPendingSequence;
                } else {
                    result = r.Command;
                }
                break;
            }
            const bool secondShiftMatches
                = r.Shift2 == shift || (r.Shift2 == ssSecondKeyPlain && (shift == 0 || shift == ssCtrl));
            if (r.Key1 == m_pendingKey && r.Shift1 == m_pendingShift && r.Key2 != 0 && r.Key2 == k
                && secondShiftMatches) {
                result = r.Command;
                break;
            }
        }
        if (result == ccNone)
            continue;
        if (beginsSequence) {
            m_state = tsPending;
            m_pendingKey = k;
            m_pendingShift = shift;
        } else {
            ResetState();
            if (result == ccCtrlChar)
                m_state = tsLiteral;
        }
        return result;
    }
    return TranslateNoKey();
}

quint16 THvCommandProcessor::TranslateQtKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    const std::optional<TVirtualKey> key = VirtualKeyFromQt(qtKey, modifiers);
    if (!key)
        return TranslateNoKey();
    if (key->IsModifier)
        return m_state == tsPending ? cpPendingSequence : cpNotCommand;
    return TranslateKey(key->Key, key->Shift);
}

QString THvCommandProcessor::UniqueName(const QString& name) const
{
    QString base = name;
    while (base.size() >= 2 && base.back() >= u'0' && base.back() <= u'9')
        base.chop(1);
    if (!FindTable(base) && !FindTable(name))
        return name;
    for (int n = 1;; ++n) {
        const QString candidate = base + QString::number(n);
        if (!FindTable(candidate))
            return candidate;
    }
}

THvCommandTable* THvCommandProcessor::AddTable(std::unique_ptr<THvCommandTable> table)
{
    table->SetName(UniqueName(table->Name()));
    m_tables.push_back(std::move(table));
    return m_tables.back().get();
}

THvCommandTable* THvCommandProcessor::CreateTable(const QString& name, bool active)
{
    return AddTable(std::make_unique<THvCommandTable>(name, active));
}

THvCommandTable* THvCommandProcessor::FindTable(QStringView name) const
{
    for (const auto& table : m_tables) {
        if (SameName(table->Name(), name))
            return table.get();
    }
    return nullptr;
}

void THvCommandProcessor::ClearTables()
{
    m_tables.clear();
    ResetState();
}

void THvCommandProcessor::AddCommand(QStringView tableName, const THvCommandRecord& record)
{
    THvCommandTable* table = FindTable(tableName);
    if (!table)
        throw ETableNotFound();
    if (table->FindKeys(record) >= 0)
        throw EDuplicateCommand();
    table->AddRecord(record);
}

// ---- stored form ----

THvTableList THvCommandProcessor::TableList() const
{
    THvTableList list;
    for (const auto& table : m_tables) {
        THvStoredTable stored { table->Name(), table->Active(), {} };
        const std::span<const THvCommandRecord> builtIn = BuiltInRecords(table->Name());
        if (builtIn.empty()) {
            stored.Commands = table->CommandList();
        } else {
            for (const THvCommandRecord& b : builtIn) {
                if (table->FindKeys(b) < 0)
                    stored.Commands.append({ b.KeySequence(), ccNone });
            }
            for (int i = 0; i < table->RecordCount(); ++i) {
                const THvCommandRecord& r = table->RecordAt(i);
                if (std::find(builtIn.begin(), builtIn.end(), r) == builtIn.end())
                    stored.Commands.append({ r.KeySequence(), r.Command });
            }
        }
        list.append(std::move(stored));
    }
    return list;
}

void THvCommandProcessor::SetTableList(const THvTableList& list)
{
    ClearTables();
    for (const THvStoredTable& stored : list) {
        THvCommandTable* table = CreateTable(stored.Name, stored.Active);
        const std::span<const THvCommandRecord> builtIn = BuiltInRecords(stored.Name);
        if (builtIn.empty()) {
            table->SetCommandList(stored.Commands);
            continue;
        }
        for (const THvCommandRecord& b : builtIn)
            table->AddRecord(b);
        for (const THvCommandPair& pair : stored.Commands) {
            const int index = table->FindKeys(pair.KeySequence);
            const THvCommandRecord record = THvCommandRecord::FromKeySequence(pair.KeySequence, pair.Command);
            if (index < 0)
                table->AddRecord(record);
            else if (pair.Command != ccNone)
                table->ReplaceRecord(index, record);
            else
                table->DeleteRecord(index);
        }
    }
}

QString THvCommandProcessor::TableListToText(const THvTableList& list)
{
    QString text = QStringLiteral("(");
    for (qsizetype t = 0; t < list.size(); ++t) {
        const THvStoredTable& stored = list[t];
        if (t > 0)
            text += u' ';
        QString name = stored.Name;
        name.replace(u'\'', QStringLiteral("''"));
        text += u'\'' + name + u'\'';
        text += stored.Active ? QStringLiteral(" True (") : QStringLiteral(" False (");
        for (qsizetype i = 0; i < stored.Commands.size(); ++i) {
            if (i > 0)
                text += u' ';
            text += QStringLiteral("(%1 %2)").arg(stored.Commands[i].KeySequence).arg(stored.Commands[i].Command);
        }
        text += u')';
    }
    text += u')';
    return text;
}

namespace {

    // Reads the text form of a table list: ( { 'name' True|False ( { (sequence command) } ) } ).
    class TableListReader {
    public:
        explicit TableListReader(QStringView text)
            : m_text(text)
        {
        }

        THvTableList Read()
        {
            THvTableList list;
            Expect(u'(');
            while (!Peek(u')')) {
                THvStoredTable stored;
                stored.Name = ReadName();
                stored.Active = ReadBoolean();
                Expect(u'(');
                while (!Peek(u')')) {
                    Expect(u'(');
                    const qint64 sequence = ReadInteger();
                    const qint64 command = ReadInteger();
                    Expect(u')');
                    if (sequence < -0x80000000LL || sequence > 0xFFFFFFFFLL || command < 0 || command > 0xFFFF)
                        Fail();
                    stored.Commands.append({ static_cast<quint32>(sequence), static_cast<quint16>(command) });
                }
                Expect(u')');
                list.append(std::move(stored));
            }
            Expect(u')');
            SkipBlanks();
            if (m_pos != m_text.size())
                Fail();
            return list;
        }

    private:
        [[noreturn]] static void Fail() { throw ECmdProcessorError(QStringLiteral("Invalid command table list")); }

        void SkipBlanks()
        {
            while (m_pos < m_text.size() && m_text[m_pos].isSpace())
                ++m_pos;
        }

        bool Peek(char16_t c)
        {
            SkipBlanks();
            if (m_pos >= m_text.size())
                Fail();
            return m_text[m_pos] == c;
        }

        void Expect(char16_t c)
        {
            if (!Peek(c))
                Fail();
            ++m_pos;
        }

        QString ReadName()
        {
            Expect(u'\'');
            QString name;
            for (;;) {
                if (m_pos >= m_text.size())
                    Fail();
                const QChar c = m_text[m_pos++];
                if (c != u'\'') {
                    name += c;
                } else if (m_pos < m_text.size() && m_text[m_pos] == u'\'') {
                    name += c;
                    ++m_pos;
                } else {
                    return name;
                }
            }
        }

        QStringView ReadWord()
        {
            SkipBlanks();
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && !m_text[m_pos].isSpace() && m_text[m_pos] != u'(' && m_text[m_pos] != u')')
                ++m_pos;
            return m_text.mid(start, m_pos - start);
        }

        bool ReadBoolean()
        {
            const QStringView word = ReadWord();
            if (SameName(word, u"True"))
                return true;
            if (SameName(word, u"False"))
                return false;
            Fail();
        }

        qint64 ReadInteger()
        {
            bool ok = false;
            const qint64 value = ReadWord().toLongLong(&ok);
            if (!ok)
                Fail();
            return value;
        }

        QStringView m_text;
        qsizetype m_pos = 0;
    };

} // namespace

THvTableList THvCommandProcessor::TableListFromText(QStringView text) { return TableListReader(text).Read(); }

// ---- text file ----

THvCommandTable* THvCommandProcessor::LoadTableFromFile(const QString& fileName)
{
    // Opened by the name's own bytes, which need not be UTF-8.
    QFile file;
    if (const int code = platform::OpenForReading(file, fileName))
        ThrowIoError(code);
    errno = 0;
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        ThrowReadError(fileName, errno);

    qsizetype lineEnd = content.indexOf('\n');
    if (lineEnd < 0)
        lineEnd = content.size();
    QByteArray name = content.left(lineEnd);
    if (name.endsWith('\r'))
        name.chop(1);

    auto table = std::make_unique<THvCommandTable>(QString::fromUtf8(name));
    const QList<QByteArray> words = content.mid(lineEnd).simplified().split(' ');
    std::array<int, 5> fields {};
    int field = 0;
    for (const QByteArray& word : words) {
        if (word.isEmpty())
            continue;
        bool ok = false;
        const int value = word.toInt(&ok);
        const int limit = field == 4 ? 0xFFFF : 0xFF;
        if (!ok || value < 0 || value > limit)
            ThrowIoError(kInvalidNumericInput);
        fields[static_cast<size_t>(field++)] = value;
        if (field == 5) {
            table->AddRecord({ static_cast<quint8>(fields[0]), static_cast<quint8>(fields[1]),
                static_cast<quint8>(fields[2]), static_cast<quint8>(fields[3]), static_cast<quint16>(fields[4]) });
            field = 0;
        }
    }
    if (field != 0)
        ThrowIoError(kInvalidNumericInput);
    return AddTable(std::move(table));
}

} // namespace hy::viewer
