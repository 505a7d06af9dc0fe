// SettingsKeys: the keys of "settings.ini" with the defaults every reader passes: section "settings" (numbers,
// recipients, user identity, devices and levels) and section "user" (the user's contact details).
// A missing "settings.ini" therefore gives a working system: no recipients, first dictation number 1.
#pragma once

#include "store/IniKey.h"

#include <array>

namespace SettingsKeys {

inline constexpr std::string_view kSection = "settings";

inline constexpr IntKey kNumber{kSection, "number", 1};           // number of the next new dictation
inline constexpr IntKey kSendCount{kSection, "sendcount", 0};     // recipients "Recipient 0.dat" .. count - 1
inline constexpr IntKey kSendDefault{kSection, "senddefault", 0}; // used only while below sendcount
inline constexpr IntKey kUserId{kSection, "userid", 0};           // names sent packages and status files
inline constexpr StringKey kUser{kSection, "user", ""};           // the user's name
inline constexpr StringKey kUserEmail{kSection, "useremail", ""};

inline constexpr IntKey kSoundIn{kSection, "soundin", 0};
inline constexpr IntKey kSoundInChan{kSection, "soundinchan", -2};
inline constexpr DbKey kRecordVolume{kSection, "recordvolume", 0};
inline constexpr DbKey kVoiceActivate{kSection, "voiceactivate", -15};
inline constexpr IntKey kSoundOutDevice{kSection, "soundoutdevice", 0};
inline constexpr DbKey kSoundOutVolume{kSection, "soundoutvolume", 0};

// Portable dictaphone transfer.
inline constexpr IntKey kDockSoundIn{kSection, "docksoundin", 0};
inline constexpr IntKey kDockSoundInChan{kSection, "docksoundinchan", -2};
inline constexpr DbKey kDockRecordVolume{kSection, "dockrecordvolume", 0};
inline constexpr DbKey kDockActivate{kSection, "dockactivate", -15};
inline constexpr BoolKey kDockAutoSend{kSection, "dockautosend", false};
// Whether the user was told once that user id 0 makes packages of several users collide.
inline constexpr BoolKey kUserIdZeroTold{kSection, "useridzerotold", false};
// Whether deliveries and delivery failures show as desktop bubbles.
inline constexpr BoolKey kDesktopNotices{kSection, "desktopnotices", true};

} // namespace SettingsKeys

namespace UserKeys {

inline constexpr std::string_view kSection = "user";

inline constexpr StringKey kCompany{kSection, "company", ""};
inline constexpr StringKey kPhone{kSection, "phone", ""};
inline constexpr StringKey kCell{kSection, "cell", ""};
inline constexpr StringKey kFax{kSection, "fax", ""};
inline constexpr StringKey kAddress1{kSection, "address1", ""};
inline constexpr StringKey kAddress2{kSection, "address2", ""};
inline constexpr StringKey kAddress3{kSection, "address3", ""};
inline constexpr StringKey kAddress4{kSection, "address4", ""};

// The contact details in the order they are shown and sent.
inline constexpr std::array<StringKey, 8> kDetails{kCompany,  kPhone,    kCell,     kFax,
                                                   kAddress1, kAddress2, kAddress3, kAddress4};

} // namespace UserKeys
