// TUnzipFile: the wrapper around the unzip library. It holds the inputs of a command as properties, fills
// the command record, calls the library and keeps its result, the member count and the member information.
#pragma once

#include "core/archive/HyUnzip.h"
#include "core/archive/UnzipEvt.h"

#include <QFlags>

namespace hy::archive {

enum TUnzipFlag : unsigned {
    FreshenFlag = 1u << 0,
    UpdateFlag = 1u << 1,
    OverWriteFlag = 1u << 2,
    QuietFlag = 1u << 3,
    TestFlag = 1u << 4,
    NoDirectoryNamesFlag = 1u << 5,
    RecurseFlag = 1u << 6,
    NoDirectoryItemsFlag = 1u << 7,
    bDiagnostic = 1u << 8,
    bLF2CRLFFlag = 1u << 9,
    DecryptFlag = 1u << 10,
};
Q_DECLARE_FLAGS(TUnzipFlags, TUnzipFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(TUnzipFlags)

enum TUnzipSubOption : unsigned {
    USO_OVERWRITE_RO = 1u << 0,
    USO_MINORCANCEL = 1u << 1,
    USO_EXTERNALPROG = 1u << 2,
    USO_EXTPROGCANCEL = 1u << 3,
    USO_IGNORELONGNAMES = 1u << 4,
    USO_MANGLELONGNAMES = 1u << 5,
};
Q_DECLARE_FLAGS(TUnzipSubOptions, TUnzipSubOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TUnzipSubOptions)

class TUnzipFile : public TUnzipEvents {
public:
    TUnzipFile();
    ~TUnzipFile() override;

    TLPStr& lpszZipFile() { return m_zipFile; }
    TLPStr& lpszFileSpec() { return m_fileSpec; }
    qint32 IndexofItem() const { return m_indexOfItem; }
    void SetIndexofItem(qint32 index) { m_indexOfItem = index; }
    TLPStr& lpszDestination() { return m_destination; }
    TUnzipFlags Options() const { return m_options; }
    void SetOptions(TUnzipFlags options) { m_options = options; }
    TLPStr& lpszDecryptCode() { return m_decryptCode; }
    TUnzipSubOptions wUnzipSubOptions() const { return m_subOptions; }
    void SetwUnzipSubOptions(TUnzipSubOptions options) { m_subOptions = options; }
    TLPStr& lpszExtProgTitle() { return m_extProgTitle; }
    TLPStr& lpszReturnString() { return m_returnString; }

    // Runs a command (1 to 9; anything else returns false without a call). True when the library answered
    // 0; ItemCount then takes the count the library left in the record.
    bool Execute(int command);

    int LastResult() const { return m_lastResult; }
    qint64 ItemCount() const { return m_itemCount; }
    void SetItemCount(qint64 count) { m_itemCount = count; }
    const TUnzipItemInfo& ItemInfo() const { return m_itemInfo; }
    // The record as filled for the last call.
    const TUnzipCommandRecord& Record() const { return m_record; }

    // The library entry every instance calls; a stand-in may take its place (null restores the library).
    static void SetLibraryEntry(TUnzipEntry entry);

private:
    TLPStr m_zipFile;
    TLPStr m_fileSpec;
    TLPStr m_destination;
    TLPStr m_decryptCode;
    TLPStr m_extProgTitle;
    TLPStr m_returnString;
    qint32 m_indexOfItem = 0;
    TUnzipFlags m_options;
    TUnzipSubOptions m_subOptions;
    int m_lastResult = 0;
    qint64 m_itemCount = 0;
    TUnzipItemInfo m_itemInfo;
    TUnzipCommandRecord m_record;
    THyUnzipSession* m_session;
};

// What the user is told about a library result: the program's texts for the archive results, the error
// table's text for the others.
QString UnzipResultText(int code);

} // namespace hy::archive
