// WelcomeWizard: the five welcome pages shown on the first start after installation, modal over the main window.
// Each page shows the logo, its text (control 100) and up to two buttons (101, 102) that open settings dialogs or
// the manual; turning to a page plays its introduction recording ("Intro1.wav" … "Intro5.wav" from the program
// folder) in place of the one running, through a sound player that exists only while the wizard is open.
// UI thread only.
//
//   WizardServices services = StandardWizardServices(poster, backend, settings);
//   services.recipientSettings = [&](QWidget* parent) { RunRecipientSettings(parent, sendDialogContext); };
//   services.hardwareSettings = [&](QWidget* parent) { RunHardwareSettings(parent); };
//   RunWelcomeWizard(this, services);
#pragma once

#include <QPointer>
#include <QWizard>
#include <functional>
#include <memory>
#include <span>
#include <string>

class AudioBackend;
class LSoundPlayer;
class LogoWin;
class Poster;
class Settings;

// What the wizard uses of the program. An empty dialog opener leaves its button present and disabled.
struct WizardServices {
    Poster& poster;            // the player's notes reach the UI thread through it
    AudioBackend& backend;     // the player's output device 0 (the default device) is one of its devices
    std::string programFolder; // holds the introduction recordings
    std::function<void(QWidget* parent)> hardwareSettings;  // "Hardware &Settings..."
    std::function<void(QWidget* parent)> recipientSettings; // "Recipient &Settings..."
    std::function<void(QWidget* parent)> userSettings;      // "&User Settings..."
    std::function<void(const std::string& anchor)> help;    // "View Manual..." opens anchor "contents"
};

// The services with the help page and the recordings from the program folder; the settings dialogs (hardware,
// recipient and user) are left for the caller.
WizardServices StandardWizardServices(Poster& poster, AudioBackend& backend, const Settings& settings);

class WelcomeWizard final : public QWizard {
public:
    enum ControlId { kText = 100, kButton1 = 101, kButton2 = 102 };

    // Pages are numbered 1 to 5 (the QWizard page ids). The player is made here, with output device 0.
    WelcomeWizard(QWidget* owner, const WizardServices& services);
    ~WelcomeWizard() override;

    // Closing stops the recording and destroys the player.
    void done(int result) override;

    // The page whose recording was started last (1 to 5), 0 when none was or the player is gone.
    int PlayingPage() const { return m_playingPage; }
    // The wizard's player; null once the wizard has closed.
    LSoundPlayer* Player() const { return m_player.get(); }

    // "Intro3.wav" for page 3.
    static std::string RecordingName(int page);

private:
    void PageShown(int page);

    const WizardServices m_services;
    std::unique_ptr<LSoundPlayer> m_player;
    int m_playingPage = 0;
};

// Shows the wizard modally over `owner` and returns when it closes.
void RunWelcomeWizard(QWidget* owner, const WizardServices& services);

// The last step of the main window's set-up: with "/install" as the first of `arguments` (argument 0 the program)
// the wizard, modally, and null back; otherwise the splash, whose pointer clears itself when the splash goes.
QPointer<LogoWin> ShowWelcome(QWidget* owner, std::span<const std::string> arguments, const WizardServices& services);
