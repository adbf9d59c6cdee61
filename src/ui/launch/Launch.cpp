// Starting programs: the starter, associations, the editor and associated-application commands, the Run
// command with its dialog, and the clipboard viewer command.
#include "ui/launch/Launch.h"

#include "common/ErrorText.h"
#include "common/HyUtils.h"
#include "common/WaitAside.h"
#include "core/settings/ViewRules.h"
#include "platform/Desktop.h"
#include "platform/PlatformPaths.h"
#include "platform/SettingsStore.h"
#include "ui/common/Alert.h"
#include "ui/common/HelpHook.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTimer>
#include <QVBoxLayout>

namespace hy::launch {

using namespace hy::common;

namespace {
    // Profile values are read into a buffer of 256 characters.
    constexpr int kProfileValueLimit = 255;

    const QString kCannotRunTitle = QStringLiteral("Cannot Run Program");
    const QString kRunProgramTitle = QStringLiteral("Run Program");
    const QString kUnableToActivate = QStringLiteral("Unable to activate this application!");

    TMessageReporter& Reporter()
    {
        static TMessageReporter reporter;
        return reporter;
    }

    void Report(const QString& title, const QString& message)
    {
        if (Reporter())
            Reporter()(title, message);
        else
            ShowAlert(title, message);
    }

    // The extension without its dot, from the last "." of the name; empty without one.
    QString BareExtension(const QString& fileName)
    {
        const QString name = NameOf(fileName);
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        return dot < 0 ? QString() : name.mid(dot + 1);
    }

    QString ExtensionsEntry(const QString& extension)
    {
        if (extension.isEmpty())
            return QString();
        return platform::ReadProfileString(QStringLiteral("Extensions"), extension, QString()).left(kProfileValueLimit);
    }

    // The program of an [Extensions] value such as "/usr/bin/gimp ^.png": the text before the caret pattern.
    QString ProgramOfEntry(const QString& entry)
    {
        const qsizetype caret = entry.indexOf(QLatin1Char('^'));
        return (caret < 0 ? entry : entry.left(caret)).trimmed();
    }

    // The desktop's application for the file's MIME type, or for the nearest type it derives from. Asking
    // the desktop may take seconds for each type: it is asked aside, and the windows keep painting.
    QString DesktopApplicationFor(const QString& path)
    {
        return WaitAside([path]() {
            const QMimeType mime = QMimeDatabase().mimeTypeForFile(path);
            if (!mime.isValid())
                return QString();
            QStringList names { mime.name() };
            names += mime.allAncestors();
            for (const QString& name : names) {
                QString app = platform::DefaultApplicationFor(name);
                if (!app.isEmpty())
                    return app;
            }
            return QString();
        });
    }

    QString AbsolutePath(const QString& fileName) { return QFileInfo(fileName).absoluteFilePath(); }

    // kLaunchStarted when the program can be started in workingDir, else the failure code.
    int CheckProgram(const QString& program, const QString& workingDir)
    {
        if (!workingDir.isEmpty() && !QFileInfo(workingDir).isDir())
            return kLaunchPathNotFound;
        const QString path = ResolveProgram(program, workingDir);
        if (path.isEmpty())
            return kLaunchNotFound;
        const QFileInfo info(path);
        if (info.isDir() || !info.isExecutable())
            return kLaunchAccessDenied;
        return kLaunchStarted;
    }

    // How long a started program may take until the system says that it runs.
    constexpr int kStartTimeoutMs = 10000;

    // What a failed program wrote last to its error output, at most this many characters.
    constexpr qint64 kErrorOutputShown = 2000;

    // A program started from the Run dialog, watched until it ends. Its error output goes to a file that is
    // unlinked at once (the program keeps writing into it, and nothing is left behind), so that the program
    // can outlive the viewer without losing its error output. The watch object is never destroyed while the
    // program runs, since destroying it would end the program.
    class TProgramWatch : public QObject {
    public:
        static int Start(const QString& name, const QString& path, const QStringList& arguments, const QString& dir)
        {
            auto* watch = new TProgramWatch(name);
            const int result = watch->Launch(path, arguments, dir);
            if (result <= kLaunchFailureLimit)
                delete watch;
            return result;
        }
        static int Running() { return s_running; }

    private:
        explicit TProgramWatch(const QString& name)
            : m_name(name)
        {
        }

        int Launch(const QString& path, const QStringList& arguments, const QString& dir)
        {
            m_errors.setFileTemplate(QDir(platform::TempFolder()).filePath(QStringLiteral("hyview-run-XXXXXX.err")));
            if (!m_errors.open())
                return kLaunchBadFormat;
            m_process.setProgram(path);
            m_process.setArguments(arguments);
            if (!dir.isEmpty())
                m_process.setWorkingDirectory(dir);
            m_process.setStandardInputFile(QProcess::nullDevice());
            m_process.setStandardOutputFile(QProcess::nullDevice());
            m_process.setStandardErrorFile(m_errors.fileName());
            if (!StartAndWait())
                return kLaunchBadFormat;
            // The program holds the file open now; its name is not needed any more.
            QFile::remove(m_errors.fileName());
            ++s_running;
            // A program that ended while its start was awaited is reported from the event loop, as any other.
            if (m_process.state() == QProcess::NotRunning)
                QTimer::singleShot(0, this, [this]() { Finished(m_process.exitCode(), m_process.exitStatus()); });
            else
                connect(&m_process, &QProcess::finished, this,
                    [this](int code, QProcess::ExitStatus status) { Finished(code, status); });
            return kLaunchStarted;
        }

        // Starts the program and waits up to kStartTimeoutMs for the system's word that it runs, with events
        // going on (the user's input excepted): the windows keep painting meanwhile. True when it started.
        bool StartAndWait()
        {
            bool started = false;
            QEventLoop loop;
            QTimer timeout;
            timeout.setSingleShot(true);
            connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
            connect(&m_process, &QProcess::started, &loop, [&]() {
                started = true;
                loop.quit();
            });
            connect(&m_process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart)
                    loop.quit();
            });
            m_process.start();
            if (m_process.state() == QProcess::Starting) {
                timeout.start(kStartTimeoutMs);
                loop.exec(QEventLoop::ExcludeUserInputEvents);
            }
            return started;
        }

        void Finished(int code, QProcess::ExitStatus status)
        {
            --s_running;
            if (status != QProcess::NormalExit || code != 0) {
                m_errors.seek(std::max<qint64>(0, m_errors.size() - kErrorOutputShown));
                const QString output = QString::fromLocal8Bit(m_errors.readAll()).trimmed();
                const QString ending = status != QProcess::NormalExit
                    ? QStringLiteral("ended abnormally (it crashed or was killed).")
                    : QStringLiteral("ended with exit code %1.").arg(code);
                Report(kRunProgramTitle,
                    m_name + QStringLiteral("\r") + ending
                        + (output.isEmpty() ? QString() : QStringLiteral("\r\r") + output));
            }
            deleteLater();
        }

        QString m_name;
        QProcess m_process;
        QTemporaryFile m_errors;
        static inline int s_running = 0;
    };
} // namespace

TMessageReporter SetMessageReporter(TMessageReporter reporter)
{
    TMessageReporter previous = std::move(Reporter());
    Reporter() = std::move(reporter);
    return previous;
}

QString ResolveProgram(const QString& program, const QString& workingDir)
{
    if (program.isEmpty())
        return QString();
    const QDir base(workingDir.isEmpty() ? QDir::currentPath() : workingDir);
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(base.absoluteFilePath(program));
        return info.exists() ? info.absoluteFilePath() : QString();
    }
    // A bare name means the program in the working directory first (the Run dialog offers the viewed
    // program by its bare name), then one along PATH.
    if (!workingDir.isEmpty()) {
        const QFileInfo local(base.absoluteFilePath(program));
        if (local.exists())
            return local.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(program);
}

int ShellExecuteOpen(const QString& program, const QStringList& arguments, const QString& workingDir, TShowCommand show)
{
    // Programs here have no portable way to be told to start minimised; the request is accepted and the
    // program starts in its own way.
    Q_UNUSED(show);
    if (const int check = CheckProgram(program, workingDir); check <= kLaunchFailureLimit)
        return check;
    const QString path = ResolveProgram(program, workingDir);
    QProcess process;
    process.setProgram(path);
    process.setArguments(arguments);
    if (!workingDir.isEmpty())
        process.setWorkingDirectory(workingDir);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!process.startDetached())
        return kLaunchBadFormat;
    return kLaunchStarted;
}

QString FindExecutable(const QString& fileName, const QString& directory, int& result)
{
    const QString path = AbsolutePath(QFileInfo(fileName).isAbsolute() ? fileName : JoinPath(directory, fileName));
    if (!QFileInfo::exists(path)) {
        result = kLaunchNotFound;
        return QString();
    }
    const QString extension = BareExtension(path);
    QString program;
    if (!extension.isEmpty()) {
        program = ProgramOfEntry(ExtensionsEntry(extension));
        if (program.isEmpty())
            program = DesktopApplicationFor(path);
    }
    result = program.isEmpty() ? kLaunchNoAssociation : kLaunchStarted;
    return program;
}

QString AssociationText(const QString& fileName)
{
    const QString extension = BareExtension(fileName);
    if (extension.isEmpty())
        return QString();
    const QString entry = ExtensionsEntry(extension);
    if (!entry.isEmpty())
        return entry;
    return DesktopApplicationFor(AbsolutePath(fileName)).left(kProfileValueLimit);
}

int SendToApplication(const QString& fileName, bool associated, const QString& editor)
{
    // The program gets the absolute path, so a name that begins with "-" can never be read as an option.
    const QString path = AbsolutePath(fileName);
    if (!associated) {
        if (editor.trimmed().isEmpty()) {
            Report(ErrorTitle().isEmpty() ? QApplication::applicationDisplayName() : ErrorTitle(),
                QStringLiteral("You have not specified a text editor. Check\rthe Directories setting under "
                               "Preferences\rin the Options menu."));
            return 0;
        }
        // The file is always one argument of its own, after the editor's options.
        QStringList arguments = EditorCommand(editor);
        const QString program = arguments.isEmpty() ? editor.trimmed() : arguments.takeFirst();
        const int result = ShellExecuteOpen(program, arguments << path, QString());
        if (result <= kLaunchFailureLimit)
            Report(kCannotRunTitle,
                QStringLiteral("The text editor you requested is not responding!\rCheck the Directories setting "
                               "under Preferences\rin the Options menu. (ID=%1)")
                    .arg(result));
        return result;
    }
    int found = 0;
    const QString program = FindExecutable(NameOf(path), DirectoryOf(path), found);
    if (found <= kLaunchFailureLimit) {
        Report(kCannotRunTitle,
            QStringLiteral("No application is associated with this file!\rUse the File Manager's Associate command "
                           "to\rcreate an association."));
        return found;
    }
    const int result = ShellExecuteOpen(program, { path }, QString());
    if (result <= kLaunchFailureLimit)
        Report(kCannotRunTitle,
            program + QStringLiteral("\r") + kUnableToActivate + QStringLiteral("\r(ID=%1)").arg(result));
    return result;
}

QStringList EditorCommand(const QString& editor)
{
    const QString whole = editor.trimmed();
    if (whole.isEmpty())
        return {};
    if (!ResolveProgram(whole, QString()).isEmpty())
        return { whole };
    return SplitShellWords(whole);
}

int UseTextEditor(const QString& fileName, const QString& editor, const std::function<void()>& closeViewer)
{
    const QString path = AbsolutePath(fileName);
    if (closeViewer)
        closeViewer();
    return SendToApplication(path, false, editor);
}

int UseAssociatedApplication(const QString& fileName, const std::function<void()>& closeViewer)
{
    const QString path = AbsolutePath(fileName);
    if (closeViewer)
        closeViewer();
    return SendToApplication(path, true, QString());
}

TCommandParts SplitCommand(const QString& command)
{
    TCommandParts parts;
    qsizetype i = 0;
    if (command.startsWith(QLatin1Char('"'))) {
        for (i = 1; i < command.size(); ++i) {
            if (command[i] != QLatin1Char('"')) {
                parts.Program += command[i];
            } else if (i + 1 < command.size() && command[i + 1] == QLatin1Char('"')) {
                parts.Program += QLatin1Char('"');
                ++i;
            } else {
                ++i;
                break;
            }
        }
    } else {
        while (i < command.size() && command[i] != QLatin1Char(' '))
            parts.Program += command[i++];
        if (parts.Program.startsWith(QLatin1Char('-')))
            parts.Program.clear();
    }
    parts.Parameters = command.mid(i);
    return parts;
}

bool IsDosCommand(QString& program, QString& parameters)
{
    if (program.isEmpty() || !QLatin1String(kDosCommands).contains(program.toUpper() + QLatin1Char('.')))
        return false;
    parameters = program + QLatin1Char(' ') + parameters;
    program = QLatin1String(kCommandShell);
    return true;
}

int RunCommand(const QString& location, const QString& command, bool minimized)
{
    Q_UNUSED(minimized);
    TCommandParts parts = SplitCommand(command);
    if (parts.Program.isEmpty())
        return 0;
    const QString typed = parts.Program;
    QStringList arguments;
    if (IsDosCommand(parts.Program, parts.Parameters))
        arguments = { QStringLiteral("-c"), parts.Parameters };
    else
        arguments = QProcess::splitCommand(parts.Parameters);
    int result = CheckProgram(parts.Program, location);
    if (result > kLaunchFailureLimit)
        result = TProgramWatch::Start(typed, ResolveProgram(parts.Program, location), arguments, location);
    if (result <= kLaunchFailureLimit)
        Report(kRunProgramTitle,
            parts.Program + QStringLiteral("\r") + kUnableToActivate + QStringLiteral("\r\rID=%1").arg(result));
    return result;
}

int WatchedPrograms() { return TProgramWatch::Running(); }

QString CommandTextFor(const QString& fileName)
{
    const QString name = NameOf(fileName);
    if (!name.contains(QLatin1Char(' ')) && !name.contains(QLatin1Char('"')) && !name.startsWith(QLatin1Char('-')))
        return name;
    QString quoted = name;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

TLaunchForm::TLaunchForm(const QString& fileName, QWidget* parent)
    : THyForm(parent)
    , Location(new QLineEdit(this))
    , Command(new QLineEdit(this))
    , MinimizeBox(new QCheckBox(QStringLiteral("Run &Minimized"), this))
    , OKButton(new QPushButton(QStringLiteral("OK"), this))
    , CancelButton(new QPushButton(QStringLiteral("Cancel"), this))
    , HelpButton(new QPushButton(QStringLiteral("Help"), this))
{
    setObjectName(QStringLiteral("LaunchForm"));
    setWindowTitle(kRunProgramTitle);
    Location->setObjectName(QStringLiteral("Location"));
    Command->setObjectName(QStringLiteral("Command"));
    MinimizeBox->setObjectName(QStringLiteral("MinimizeBox"));

    const QString path = AbsolutePath(fileName);
    Location->setText(DirectoryOf(path));
    Command->setText(CommandTextFor(path));
    MinimizeBox->setChecked(false);
    // No desktop here lets a program be asked to start minimised (each program decides how its first window
    // shows), so the check box is not offered, and says why.
    MinimizeBox->setEnabled(false);
    MinimizeBox->setToolTip(
        QStringLiteral("Not available: this desktop gives no way to ask a program to start minimized."));

    auto* fields = new QFormLayout;
    auto* locationLabel = new QLabel(QStringLiteral("&Location:"), this);
    locationLabel->setBuddy(Location);
    auto* commandLabel = new QLabel(QStringLiteral("&Command:"), this);
    commandLabel->setBuddy(Command);
    fields->addRow(locationLabel, Location);
    fields->addRow(commandLabel, Command);
    fields->addRow(QString(), MinimizeBox);

    OKButton->setDefault(true);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [this]() { ShowHelp(kRunProgramHelpContext, this); });

    Command->setFocus();
    resize(sizeHint().expandedTo(QSize(440, 0)));
}

TLaunchForm::~TLaunchForm() = default;

void RunProgram(const QString& fileName, QWidget* parent)
{
    TLaunchForm form(fileName, parent);
    if (form.ShowModal() != QDialog::Accepted)
        return;
    RunCommand(form.Location->text(), form.Command->text(), form.MinimizeBox->isChecked());
}

} // namespace hy::launch
