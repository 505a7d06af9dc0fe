// RecipientList: recipient count, default and deletion.
#include "send/RecipientList.h"

#include "platform/FileOps.h"
#include "store/IniValues.h"
#include "store/SettingsKeys.h"

#include <algorithm>
#include <vector>

RecipientList::RecipientList(std::string programFolder, std::string settingsFile)
    : m_programFolder(std::move(programFolder)), m_settingsFile(std::move(settingsFile)) {}

int RecipientList::Count() const {
    return std::max(0, ReadIntValue(m_settingsFile, SettingsKeys::kSendCount));
}

int RecipientList::DefaultIndex() const {
    return ReadIntValue(m_settingsFile, SettingsKeys::kSendDefault);
}

int RecipientList::SendIndex() const {
    const int index = DefaultIndex();
    return index >= 0 && index < Count() ? index : 0;
}

TypistRecipient RecipientList::Load(int index) const {
    TypistRecipient recipient;
    recipient.Load(Path(index));
    return recipient;
}

std::vector<std::string> RecipientList::DisplayTexts() const {
    const int count = Count();
    const int defaultIndex = DefaultIndex();
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back(Load(i).DisplayText(i == defaultIndex));
    return lines;
}

std::string RecipientList::HeldPath(int index) const {
    // A leading '.' keeps the held file out of every listing while the later ones move.
    return JoinPath(m_programFolder, "." + RecipientFileName(index) + ".deleting");
}

RecipientDeleteResult RecipientList::Delete(int index, const RenumberFunction& renumberQueue) {
    const int count = Count();
    if (index < 0 || index >= count)
        return RecipientDeleteResult::NoSuchRecipient;
    const int last = count - 1;

    // The deleted file is held aside until every later one has moved, so a failure can put everything back.
    const std::string held = HeldPath(index);
    RenameResult hold = RenameNoReplace(Path(index), held);
    if (hold == RenameResult::TargetExists && RemoveFile(held))
        hold = RenameNoReplace(Path(index), held);
    if (hold != RenameResult::Renamed && hold != RenameResult::SourceMissing)
        return RecipientDeleteResult::RenumberFailed;

    std::vector<int> moved; // indexes i whose file came from i + 1
    for (int i = index; i < last; ++i) {
        const RenameResult step = RenameNoReplace(Path(i + 1), Path(i));
        if (step == RenameResult::Renamed) {
            moved.push_back(i);
        } else if (step != RenameResult::SourceMissing) {
            // A missing file is a gap that simply moves down; anything else stops here and undoes the moves.
            for (auto it = moved.rbegin(); it != moved.rend(); ++it)
                (void)RenameNoReplace(Path(*it), Path(*it + 1));
            if (hold == RenameResult::Renamed)
                (void)RenameNoReplace(held, Path(index));
            return RecipientDeleteResult::RenumberFailed;
        }
    }
    if (hold == RenameResult::Renamed)
        (void)RemoveFile(held);

    int defaultIndex = DefaultIndex();
    if (defaultIndex == index)
        defaultIndex = 0;
    else if (defaultIndex > index && defaultIndex < count)
        --defaultIndex;
    const bool saved = WriteIntValue(m_settingsFile, SettingsKeys::kSendCount, last) &&
                       WriteIntValue(m_settingsFile, SettingsKeys::kSendDefault, defaultIndex) &&
                       FlushProfile(m_settingsFile);
    if (!saved)
        return RecipientDeleteResult::SettingsNotSaved;
    if (renumberQueue && !renumberQueue(index))
        return RecipientDeleteResult::QueueNotRenumbered;
    return RecipientDeleteResult::Deleted;
}
