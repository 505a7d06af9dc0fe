// WizardTexts: the five welcome pages' texts and button captions, shared by the wizard and by the build rule that
// speaks each page's text into its introduction recording ("Intro1.wav" to "Intro5.wav").
#pragma once

#include <array>
#include <string_view>

namespace wizard_texts {

inline constexpr int kPageCount = 5;

// One page: its text (first line, then the content; lines end with '\n') and its two optional buttons
// (control 101 and 102; empty: the page has no such button).
struct PageText {
    std::string_view text;
    std::string_view button101;
    std::string_view button102;
};

inline constexpr std::string_view kHardwareButton = "Hardware &Settings...";
inline constexpr std::string_view kRecipientButton = "Recipient &Settings...";
inline constexpr std::string_view kUserButton = "&User Settings...";
inline constexpr std::string_view kManualButton = "View Manual...";

inline constexpr std::array<PageText, kPageCount> kPages{{
    {"Thank you for installing Tallowin.\n"
     "\n"
     "Tallowin turns your computer into a dictaphone. Dictate straight into the computer's microphone, or "
     "record on your portable dictaphone and play the dictation into the computer.\n"
     "\n"
     "When a dictation is ready, Tallowin sends it to your typist by e-mail, over the internet or across your "
     "network, and tracks the work in the typing queue, so you can see when it has been typed.\n"
     "\n"
     "Editing is automatic: record over any part of a dictation, or insert new words in the middle. "
     "Voice-activated recording leaves out the pauses while you think.\n"
     "\n"
     "Press Next to set Tallowin up.\n",
     {},
     {}},
    {"Tallowin Hardware\n"
     "\n"
     "Tallowin needs a sound card or headset with a microphone for recording, and speakers or headphones for "
     "listening. A headset microphone gives the clearest dictations.\n"
     "\n"
     "Open the Hardware Settings to choose the recording device and its input line, the recording level, the "
     "voice activation level and the playback device. You can change them later with Hardware Settings on the "
     "Settings menu.\n",
     kHardwareButton,
     {}},
    {"Typist Recipients\n"
     "\n"
     "Before you can send a dictation, at least one typist recipient must be set up.\n"
     "\n"
     "For each recipient you choose how dictations travel: as an e-mail attachment, copied into a network "
     "folder, or uploaded to an FTP server; and the audio format that keeps the transfer small.\n"
     "\n"
     "Open the Recipient Settings to add your typist now, or later with Recipient Settings on the Settings "
     "menu.\n",
     kRecipientButton,
     {}},
    {"User Information\n"
     "\n"
     "Your name, address, telephone numbers and e-mail address are sent with every dictation, so that your "
     "typist knows whose work it is and how to reach you.\n"
     "\n"
     "Open the User Settings to enter them now, or later with User Settings on the Settings menu.\n",
     {},
     kUserButton},
    {"Basic Operation (Summary)\n"
     "\n"
     "Ctrl+N: new dictation.\n"
     "Space: record (hold it while you speak, or tap it to lock recording on).\n"
     "Enter: play (tap it to start and stop, or hold it to play).\n"
     "Left and right arrows: rewind and fast forward while held.\n"
     "Home and End: go to the start and the end.\n"
     "Ctrl+S: send the dictation to your typist.\n"
     "Ctrl+D: transfer from a portable dictaphone.\n"
     "\n"
     "The manual explains everything else. Press Finish to start dictating.\n",
     kManualButton,
     {}},
}};

// The page's first line (its title).
constexpr std::string_view FirstLine(std::string_view text) {
    return text.substr(0, text.find('\n'));
}

} // namespace wizard_texts
