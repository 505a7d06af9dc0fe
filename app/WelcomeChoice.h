// WelcomeChoice: what the main window shows at the end of its set-up: the welcome wizard when the program was
// started with "/install" as its first argument (exactly, as the installer starts it), otherwise the splash.
#pragma once

#include <span>
#include <string>

enum class Welcome { Wizard, Splash };

// `arguments` as the process got them, argument 0 (the program) first.
inline Welcome ChooseWelcome(std::span<const std::string> arguments) {
    return arguments.size() > 1 && arguments[1] == "/install" ? Welcome::Wizard : Welcome::Splash;
}
