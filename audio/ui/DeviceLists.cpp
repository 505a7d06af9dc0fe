#include "audio/ui/DeviceLists.h"

#include "audio/Mixer.h"
#include "platform/AudioBackend.h"

#include <QComboBox>
#include <QStandardItemModel>

namespace {

void AddDisabledEntry(QComboBox* list, const char* text) {
    list->addItem(QObject::tr(text));
    if (auto* model = qobject_cast<QStandardItemModel*>(list->model()))
        model->item(list->count() - 1)->setEnabled(false);
}

} // namespace

std::vector<AudioDeviceInfo> FillDeviceList(QComboBox* list, AudioBackend& backend, AudioDirection direction) {
    std::vector<AudioDeviceInfo> devices = backend.Devices(direction);
    if (devices.size() > static_cast<size_t>(kMaxMixerEntries))
        devices.resize(kMaxMixerEntries);
    list->clear();
    for (const AudioDeviceInfo& device : devices)
        list->addItem(QString::fromStdString(device.description));
    return devices;
}

void FillInputLineList(QComboBox* list, AudioBackend& backend, int device, int selectIndex) {
    list->clear();
    const std::optional<std::vector<AudioInputLine>> lines = device >= 0 ? backend.InputLines(device) : std::nullopt;
    const int count = InputLineCount(backend, device);
    for (int line = -1; line < count; ++line) {
        const bool unplugged = lines && line >= 0 && static_cast<size_t>(line) < lines->size() &&
                               (*lines)[static_cast<size_t>(line)].availability == LineAvailability::Unplugged;
        list->addItem(QString::fromStdString(InputLineName(backend, device, line)) +
                      (unplugged ? QObject::tr(kUnpluggedLineMark) : QString()));
    }
    if (!lines)
        AddDisabledEntry(list, kUnreadableLinesNote);
    else if (count == 0)
        AddDisabledEntry(list, kNoLinesNote);
    else if (count == 1)
        AddDisabledEntry(list, kOneLineNote);
    // The notes follow the lines, so an index beyond the lines falls back to the server's choice.
    list->setCurrentIndex(selectIndex >= 0 && selectIndex <= count ? selectIndex : 0);
}
