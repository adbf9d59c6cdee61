// Handing files to other programs: the text editor, the associated application, File > Run... with its
// dialog TLaunchForm, and the program starter under them. Every failure becomes an alert through one
// message reporter, which tests may replace.
#pragma once

#include "ui/common/HyForm.h"

#include <QStringList>
#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace hy::launch {

// Results of the program starter: above kLaunchFailureLimit the program started; otherwise 2 the program
// was not found, 3 the working directory does not exist, 5 it may not be executed (a directory, no execute
// permission), 11 the system refused to start it, 31 no application is associated with the file.
inline constexpr int kLaunchFailureLimit = 32;
inline constexpr int kLaunchStarted = 42;
inline constexpr int kLaunchNotFound = 2;
inline constexpr int kLaunchPathNotFound = 3;
inline constexpr int kLaunchAccessDenied = 5;
inline constexpr int kLaunchBadFormat = 11;
inline constexpr int kLaunchNoAssociation = 31;

inline constexpr int kRunProgramHelpContext = 250;

// Built-in commands of the command interpreter, matched as the upper-cased name followed by ".".
inline constexpr const char* kDosCommands = "DIR.COPY.DEL.TYPE.VER.ERASE.TREE.";
// The interpreter that runs them.
inline constexpr const char* kCommandShell = "/bin/sh";

enum class TShowCommand { Normal, MinimizedNoActivate };

// How alerts are shown: title and message ("\r" breaks lines). The default shows the program's alert.
using TMessageReporter = std::function<void(const QString& title, const QString& message)>;
// Replaces the reporter; an empty one restores the default. Returns the previous one.
TMessageReporter SetMessageReporter(TMessageReporter reporter);

// The program a command name stands for: a name with "/" is taken as a path (relative ones against
// workingDir, else the current directory); a bare name is looked for in workingDir first, then along PATH.
// Empty when it names nothing that exists.
QString ResolveProgram(const QString& program, const QString& workingDir);

// Starts program with its arguments, each passed on as it is (no shell, no quoting), in workingDir (empty:
// the current directory). Never waits for it. Returns kLaunchStarted or one of the failure codes above.
int ShellExecuteOpen(const QString& program, const QStringList& arguments, const QString& workingDir,
    TShowCommand show = TShowCommand::Normal);

// The program associated with a file: the [Extensions] entry of win.ini for its extension (the program
// before the "^" pattern), else the desktop's default application for the file's MIME type. A file without
// extension has none. result: kLaunchStarted when found, 2 when the file does not exist, 31 when none.
QString FindExecutable(const QString& fileName, const QString& directory, int& result);
// The association as the File Information dialog shows it: the raw win.ini value, else the desktop's
// default application; empty when there is none.
QString AssociationText(const QString& fileName);

// Text editor (associated = false) or associated application (true) for a file. The file goes to the
// program as one argument of its own, as an absolute path. Alerts on every failure; returns the starter's
// result (0 when the editor setting is empty).
int SendToApplication(const QString& fileName, bool associated, const QString& editor);

// Use Text Editor / Use Associated Application: closeViewer runs first (the viewer window lets go of the
// file and stays closed whatever follows), then the file is sent.
int UseTextEditor(const QString& fileName, const QString& editor, const std::function<void()>& closeViewer);
int UseAssociatedApplication(const QString& fileName, const std::function<void()>& closeViewer);

// A Run command split into the program name and its parameters. The program name is the first word: up to
// the first blank, or a double-quoted stretch ("" stands for one quote inside it). The parameters are the
// rest, from the blank that ended the name. A name that begins with "-" is empty.
struct TCommandParts {
    QString Program;
    QString Parameters;
};
TCommandParts SplitCommand(const QString& command);

// A built-in command goes to the command interpreter: program becomes the interpreter and parameters the
// command text name + " " + parameters, which the interpreter receives after "-c". True when rerouted.
bool IsDosCommand(QString& program, QString& parameters);

// The program and options of an editor setting: the whole setting when it names an existing program (a path
// with blanks), else its words split as a shell splits them ("/opt/My Editor/ed" --new).
QStringList EditorCommand(const QString& editor);

// Runs a command typed into the Run dialog in location. An empty program name does nothing (returns 0).
// The program is watched while it runs: when it ends with a non-zero exit code or a crash, an alert titled
// "Run Program" says so, with what it wrote to its error output.
int RunCommand(const QString& location, const QString& command, bool minimized);
// Programs started by RunCommand that are still being watched.
int WatchedPrograms();

// The Command text the Run dialog offers for a file: its name, double-quoted when it holds a blank or a quote.
QString CommandTextFor(const QString& fileName);

class TLaunchForm : public common::THyForm {
    Q_OBJECT
public:
    // Location shows the file's directory, Command its name; Run Minimized is off.
    explicit TLaunchForm(const QString& fileName, QWidget* parent = nullptr);
    ~TLaunchForm() override;

    QLineEdit* Location;
    QLineEdit* Command;
    QCheckBox* MinimizeBox;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    QPushButton* HelpButton;
};

// File > Run...: shows TLaunchForm for the file and runs the command on OK.
void RunProgram(const QString& fileName, QWidget* parent = nullptr);

} // namespace hy::launch
