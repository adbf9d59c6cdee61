// Key-to-command tables: a processor holds an ordered list of named tables, each mapping a key (or a
// sequence of two keys) with its shift state to a command number, and translates keys one at a time,
// remembering the first key of a two-key sequence and the "take the next key literally" state.
#pragma once

#include "base/HyExceptions.h"
#include "core/viewer/HvCommands.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <memory>
#include <span>
#include <vector>

namespace hy::viewer {

// One command record: the key sequence (Key2 == 0 for a single key) and the command it stands for.
struct THvCommandRecord {
    quint8 Key1 = 0;
    quint8 Shift1 = 0;
    quint8 Key2 = 0;
    quint8 Shift2 = 0;
    quint16 Command = ccNone;

    // Key1 + Shift1 * 256 + Key2 * 65536 + Shift2 * 16777216.
    quint32 KeySequence() const;
    static THvCommandRecord FromKeySequence(quint32 keySequence, quint16 command);
    bool operator==(const THvCommandRecord&) const = default;
};

class ECmdProcessorError : public base::EHvException {
public:
    using base::EHvException::EHvException;
};

class ETableNotFound : public ECmdProcessorError {
public:
    ETableNotFound();
};

class EDuplicateCommand : public ECmdProcessorError {
public:
    EDuplicateCommand();
};

// A (key sequence, command) pair of the stored form.
struct THvCommandPair {
    quint32 KeySequence = 0;
    quint16 Command = ccNone;
    bool operator==(const THvCommandPair&) const = default;
};
using THvCommandList = QList<THvCommandPair>;

// One table of the stored form: name, Active flag and its pairs.
struct THvStoredTable {
    QString Name;
    bool Active = true;
    THvCommandList Commands;
    bool operator==(const THvStoredTable&) const = default;
};
using THvTableList = QList<THvStoredTable>;

class THvCommandTable {
public:
    explicit THvCommandTable(QString name = QStringLiteral("(Unknown)"), bool active = true);

    const QString& Name() const { return m_name; }
    void SetName(const QString& name) { m_name = name; }
    bool Active() const { return m_active; }
    void SetActive(bool active) { m_active = active; }

    void AddRecord(const THvCommandRecord& record);
    // Index is clamped to 0..RecordCount for inserting; an index out of range is ignored by the others.
    void InsertRecord(int index, const THvCommandRecord& record);
    void ReplaceRecord(int index, const THvCommandRecord& record);
    void DeleteRecord(int index);
    // Index of the first record with the same key sequence as record, or -1.
    int FindKeys(const THvCommandRecord& record) const;
    int FindKeys(quint32 keySequence) const;
    int RecordCount() const { return static_cast<int>(m_records.size()); }
    const THvCommandRecord& RecordAt(int index) const { return m_records.at(static_cast<size_t>(index)); }
    void ClearRecords() { m_records.clear(); }

    // Every record as a (key sequence, command) pair, in order; setting replaces the records.
    THvCommandList CommandList() const;
    void SetCommandList(const THvCommandList& list);

    // Text file: the name on the first line, then one record per line (Key1, Shift1, Key2, Shift2 in
    // 4 characters each, the command in 6). Throws hy::EInOutError when the file cannot be written.
    void SaveToFile(const QString& fileName) const;

private:
    QString m_name;
    bool m_active;
    std::vector<THvCommandRecord> m_records;
};

class THvCommandProcessor {
public:
    enum TranslationState { tsIdle = 0, tsPending = 1, tsLiteral = 2 };

    // Creates the built-in tables Default (active), WordStar and Grid (inactive).
    THvCommandProcessor();
    ~THvCommandProcessor();
    THvCommandProcessor(const THvCommandProcessor&) = delete;
    THvCommandProcessor& operator=(const THvCommandProcessor&) = delete;

    // Translates one key-down: key is the virtual-key code, shift the ssShift/ssCtrl/ssAlt bits held at
    // that moment. Returns a command number, cpNotCommand, cpBrokenSequence or cpPendingSequence.
    quint16 TranslateKey(quint16 key, quint8 shift);
    // The same for a Qt key event's key() and modifiers(). Modifier keys alone are never looked up;
    // a key with no virtual-key code matches nothing.
    quint16 TranslateQtKey(int qtKey, Qt::KeyboardModifiers modifiers);

    TranslationState State() const { return m_state; }
    void ResetState();

    // Takes ownership; the table's name is made unique first. Returns the table.
    THvCommandTable* AddTable(std::unique_ptr<THvCommandTable> table);
    THvCommandTable* CreateTable(const QString& name, bool active);
    // First table whose name equals name, ignoring the case of a to z; nullptr when none.
    THvCommandTable* FindTable(QStringView name) const;
    int TableCount() const { return static_cast<int>(m_tables.size()); }
    THvCommandTable* TableAt(int index) const { return m_tables.at(static_cast<size_t>(index)).get(); }
    void ClearTables();
    // Appends record to the named table; throws ETableNotFound or EDuplicateCommand.
    void AddCommand(QStringView tableName, const THvCommandRecord& record);

    // The stored form: built-in names store only their differences from the built-in records.
    THvTableList TableList() const;
    // Discards every table, then rebuilds them from list.
    void SetTableList(const THvTableList& list);
    // The same list as text: ('Default' True () 'WordStar' False ((1234 0) (5678 6)) ...).
    static QString TableListToText(const THvTableList& list);
    // Throws ECmdProcessorError("Invalid command table list") when text is not such a list.
    static THvTableList TableListFromText(QStringView text);

    // Reads a table written by THvCommandTable::SaveToFile and adds it. Throws hy::EInOutError when the
    // file cannot be read or holds something other than records.
    THvCommandTable* LoadTableFromFile(const QString& fileName);

    // The built-in records of Default, WordStar or Grid (name compared ignoring case); empty otherwise.
    static std::span<const THvCommandRecord> BuiltInRecords(QStringView tableName);

private:
    quint16 TranslateNoKey();
    QString UniqueName(const QString& name) const;

    std::vector<std::unique_ptr<THvCommandTable>> m_tables;
    TranslationState m_state = tsIdle;
    quint8 m_pendingKey = 0;
    quint8 m_pendingShift = 0;
};

} // namespace hy::viewer
