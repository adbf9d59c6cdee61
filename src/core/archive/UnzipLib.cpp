// TUnzipFile: the command record, the call and the texts of the library's results.
#include "core/archive/UnzipLib.h"

#include "common/ErrorText.h"

namespace hy::archive {

using namespace hy::common;

namespace {
    TUnzipEntry g_entry = &hyunzip;
} // namespace

void TUnzipFile::SetLibraryEntry(TUnzipEntry entry) { g_entry = entry ? entry : &hyunzip; }

TUnzipFile::TUnzipFile()
    : m_session(HyUnzipOpenSession())
{
}

TUnzipFile::~TUnzipFile() { HyUnzipCloseSession(m_session); }

bool TUnzipFile::Execute(int command)
{
    if (command < 1 || command > 9)
        return false;
    QByteArray returnBuffer;
    if (command == 6) {
        m_returnString.SetBufferSize(quint16(qBound(qint64(0), m_itemCount + 1, qint64(65535))));
        returnBuffer = QByteArray(m_returnString.BufferSize(), '\0');
    }
    const auto bit = [this](TUnzipFlag flag) { return m_options.testFlag(flag) ? 1 : 0; };
    TUnzipCommandRecord& r = m_record;
    r = TUnzipCommandRecord();
    r.Command = command;
    r.ZipFile = m_zipFile.Text();
    r.ItemInfo = &m_itemInfo;
    r.FileSpec = m_fileSpec.Text();
    r.IndexOfItem = m_indexOfItem;
    r.Destination = m_destination.Text();
    r.Freshen = bit(FreshenFlag);
    r.Update = bit(UpdateFlag);
    r.OverWrite = bit(OverWriteFlag);
    r.Quiet = bit(QuietFlag);
    r.Test = bit(TestFlag);
    r.NoDirectoryNames = bit(NoDirectoryNamesFlag);
    r.Recurse = bit(RecurseFlag);
    r.NoDirectoryItems = bit(NoDirectoryItemsFlag);
    r.MinorStatus = &TUnzipEvents::MinorStatus;
    r.MinorUser = static_cast<TUnzipEvents*>(this);
    r.MajorStatus = &TUnzipEvents::MajorStatus;
    r.MajorUser = static_cast<TUnzipEvents*>(this);
    r.ItemCount = m_itemCount;
    r.ReturnString = returnBuffer.isEmpty() ? nullptr : returnBuffer.data();
    r.Diagnostic = bit(bDiagnostic);
    r.LF2CRLF = bit(bLF2CRLFFlag);
    r.Decrypt = bit(DecryptFlag);
    r.DecryptCode = m_decryptCode.Text();
    r.Message = &TUnzipEvents::Message;
    r.MessageUser = static_cast<TUnzipEvents*>(this);
    r.SubOptions = quint16(m_subOptions.toInt() & 0x3F);
    r.Rename = &TUnzipEvents::Rename;
    r.RenameUser = static_cast<TUnzipEvents*>(this);
    r.ExtProgTitle = m_extProgTitle.Text();
    r.Session = m_session;

    m_lastResult = g_entry(&r);
    if (!returnBuffer.isEmpty())
        m_returnString.SetText(returnBuffer.constData());
    if (m_lastResult != 0)
        return false;
    m_itemCount = r.ItemCount;
    return true;
}

QString UnzipResultText(int code)
{
    switch (code) {
    case kUnzipBadCommand:
        return QStringLiteral("The unzip library did not understand the request.");
    case kUnzipNoMoreMembers:
        return QStringLiteral("The archive holds no further files.");
    case kUnzipStopped:
        return QStringLiteral("Extraction was stopped. The file was not written.");
    case kUnzipNoPassword:
        return QStringLiteral("No password was given, so the encrypted file was not extracted.");
    case kUnzipWrongPassword:
        return QStringLiteral("The password is not correct. The file was not extracted.");
    case kUnzipUnsafeName:
        return QStringLiteral("Its name leads outside the folder it is extracted to, so it was not extracted.");
    case kUnzipLinkMember:
        return QStringLiteral("It is a symbolic link. Links are never extracted.");
    case kUnzipLinkInPath:
        return QStringLiteral("A link or a file stands where its folder belongs, so it was not extracted.");
    case kUnzipNotReplaced:
        return QStringLiteral("A file of that name exists already and was not replaced.");
    case kUnzipTargetIsFolder:
        return QStringLiteral("A folder of that name exists already.");
    case kUnzipUnsupportedMethod:
        return QStringLiteral("It is compressed with a method this program cannot unpack.");
    case kUnzipUnsupportedEncryption:
        return QStringLiteral("It is encrypted with a method this program cannot read.");
    case kUnzipSpanned:
        return QStringLiteral("The archive is spread across several disks, which this program cannot read.");
    case kUnzipDamaged:
        return QStringLiteral("The archive is damaged: the file cannot be unpacked.");
    case kUnzipNotAnArchive:
        return QStringLiteral("This is not a ZIP archive, or its directory is damaged or cut short.");
    default:
        return ErrorText(code);
    }
}

} // namespace hy::archive
