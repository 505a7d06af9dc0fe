#include "app/WelcomeWizard.h"

#include "app/HelpViewer.h"
#include "app/LogoPicture.h"
#include "app/LogoWin.h"
#include "app/Settings.h"
#include "app/WelcomeChoice.h"
#include "app/WizardTexts.h"
#include "audio/LSoundPlayer.h"
#include "platform/FileOps.h"
#include "sound/WaveFile.h"
#include "ui/DialogUnits.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWizardPage>

namespace {

// Page layout in dialog units: the logo on the left, the text to its right, the buttons under the text.
constexpr int kPageWidth = 317;
constexpr int kPageHeight = 158;

// One welcome page: logo, read-only text box and its buttons.
class WelcomePage final : public QWizardPage {
public:
    WelcomePage(int page, const WizardServices& services) {
        const wizard_texts::PageText& texts = wizard_texts::kPages.at(static_cast<size_t>(page - 1));
        const DialogUnits units(font());
        setFixedSize(units.ToPixels(kPageWidth, kPageHeight));

        auto* logo = new QLabel(this);
        const QRect logoBox = units.ToPixels(0, 0, 88, kPageHeight);
        logo->setGeometry(logoBox);
        logo->setPixmap(DrawLogoPicture(logoBox.size()));

        auto* text = new QPlainTextEdit(this);
        // The text takes the buttons' room on a page without buttons.
        const bool hasButtons = !texts.button101.empty() || !texts.button102.empty();
        units.Place(text, WelcomeWizard::kText, 96, 0, 221, hasButtons ? 136 : kPageHeight);
        text->setReadOnly(true);
        text->setPlainText(QString::fromUtf8(texts.text.data(), static_cast<qsizetype>(texts.text.size())));

        AddButton(units, WelcomeWizard::kButton1, 96, texts.button101, page, services);
        AddButton(units, WelcomeWizard::kButton2, 217, texts.button102, page, services);
    }

private:
    void AddButton(const DialogUnits& units, int id, int x, std::string_view caption, int page,
                   const WizardServices& services) {
        if (caption.empty())
            return;
        auto* button = new QPushButton(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), this);
        units.Place(button, id, x, 142, 100, 14);
        button->setAutoDefault(false);
        std::function<void()> action;
        switch (page) {
        case 2:
            if (services.hardwareSettings)
                action = [this, open = services.hardwareSettings] { open(this); };
            break;
        case 3:
            if (services.recipientSettings)
                action = [this, open = services.recipientSettings] { open(this); };
            break;
        case 4:
            if (services.userSettings)
                action = [this, open = services.userSettings] { open(this); };
            break;
        case 5:
            if (services.help)
                action = [open = services.help] { open(HelpViewer::kContents); };
            break;
        default:
            break;
        }
        button->setEnabled(static_cast<bool>(action));
        if (action)
            QObject::connect(button, &QPushButton::clicked, this, action);
    }
};

} // namespace

WizardServices StandardWizardServices(Poster& poster, AudioBackend& backend, const Settings& settings) {
    return {poster, backend, settings.programFolder, {}, {}, {}, OpenHelp};
}

WelcomeWizard::WelcomeWizard(QWidget* owner, const WizardServices& services)
    : QWizard(owner), m_services(services),
      m_player(std::make_unique<LSoundPlayer>(services.poster, services.backend)) {
    m_player->device = 0;
    setWindowTitle(QString());
    setWizardStyle(QWizard::ClassicStyle);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::WindowModal);
    for (int page = 1; page <= wizard_texts::kPageCount; ++page)
        setPage(page, new WelcomePage(page, services));
    setStartId(1);
    connect(this, &QWizard::currentIdChanged, this, [this](int page) { PageShown(page); });
}

WelcomeWizard::~WelcomeWizard() = default;

void WelcomeWizard::done(int result) {
    m_player.reset(); // stops the recording without telling anyone
    m_playingPage = 0;
    QWizard::done(result);
}

std::string WelcomeWizard::RecordingName(int page) {
    return "Intro" + std::to_string(page) + ".wav";
}

void WelcomeWizard::PageShown(int page) {
    if (!m_player || page < 1)
        return;
    m_player->StopPlaying();
    m_playingPage = 0;
    LSoundSourceHandle recording = OpenWaveFile(JoinPath(m_services.programFolder, RecordingName(page)));
    // A missing recording leaves the page silent; the page itself still works.
    if (recording && m_player->Play(recording))
        m_playingPage = page;
}

void RunWelcomeWizard(QWidget* owner, const WizardServices& services) {
    WelcomeWizard wizard(owner, services);
    wizard.exec();
}

QPointer<LogoWin> ShowWelcome(QWidget* owner, std::span<const std::string> arguments, const WizardServices& services) {
    if (ChooseWelcome(arguments) == Welcome::Wizard) {
        RunWelcomeWizard(owner, services);
        return nullptr;
    }
    return ShowSplash(owner);
}
