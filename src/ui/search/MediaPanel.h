// TMediaPanel: the Media page of a preview: a sunken display panel (pictures of a video, the name of a
// sound) above the player's Play, Pause, Stop and Back buttons.
#pragma once

#include <QWidget>

class QAudioOutput;
class QFrame;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QVideoWidget;

namespace hy::search {

class TMediaPanel : public QWidget {
    Q_OBJECT
public:
    explicit TMediaPanel(QWidget* parent = nullptr);
    ~TMediaPanel() override;

    // Opens a media file for playing; the player's error text, empty when it opened.
    QString Open(const QString& fileName);
    // Stops and lets go of the file.
    void Close();
    bool IsOpen() const { return m_open; }

    // The player, made when the first file is opened (none before).
    QMediaPlayer* Player() const { return m_player; }
    QFrame* DisplayPanel() const { return m_display; }
    QPushButton* PlayButton;
    QPushButton* PauseButton;
    QPushButton* StopButton;
    QPushButton* BackButton;

private:
    void CreatePlayer();

    QFrame* m_display;
    QVideoWidget* m_video = nullptr;
    QLabel* m_name;
    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    bool m_open = false;
};

} // namespace hy::search
