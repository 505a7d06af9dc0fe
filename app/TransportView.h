// TransportView: what the dictation transport asks of the window that shows it (the main window implements it):
// the position display, the Play, Record and Stop images, the level display, the device error box, a new
// dictation for Record, and the splice under a progress dialog. Every call comes on the main thread.
//
//   class MainDialog : public QWidget, public TransportView { ... };
//   DictationTransport transport(*this, player, recorder, settings.settingsFile, settings.currentFolder, &backend);
//   void MainDialog::ShowPosition(int32_t position, int32_t length) override { /* text 252, thumb 253 */ }
#pragma once

#include <LDBMC.h>
#include <cstdint>
#include <string>

enum class RecordImage { Idle, Waiting, Recording };

class InsertSplice;

class TransportView {
public:
    virtual ~TransportView() = default;

    // The position and the length (1/10000 s): position text 252 (TimeTextTenths) and the scroll bar thumb 253
    // (ScrollThumbFor in DictationTransport.h).
    virtual void ShowPosition(int32_t position, int32_t length) = 0;
    // Play toggle pressed and Play and Stop images active while playing; released and idle otherwise.
    virtual void ShowPlaying(bool playing) = 0;
    // Record toggle and image: Idle (toggle released, Stop image idle), Waiting or Recording (toggle pressed,
    // Stop image active), in the overwrite or the insert variant.
    virtual void ShowRecording(RecordImage image, bool insertMode) = 0;
    // The level display; nullptr: disabled.
    virtual void ShowLevels(const LDBMC* levels) = 0;
    // A "Sound Device Error" box (exclamation icon, OK) with this text.
    virtual void ShowDeviceError(const std::string& text) = 0;
    // New, for Record without a current dictation: creates the dictation, lists and selects it, and returns its
    // wave path ("" on failure; nothing is recorded then).
    virtual std::string CreateDictationForRecording() = 0;
    // Runs the splice under the "Insert Recording" progress dialog (RunSpliceWithProgress in LProgressDialog.h);
    // true when the recording was spliced in. The splice's Result() and ErrorText() tell why not.
    virtual bool RunSplice(InsertSplice& splice) = 0;
    // True while a splice runs: the transport and the dictation list take no commands meanwhile.
    virtual void SetSpliceBusy(bool busy) = 0;
    // The dictation's wave file changed on disk (recorded, spliced or converted): its length in the list may be
    // shown anew. Optional.
    virtual void OnDictationChanged(const std::string& wavePath) { (void)wavePath; }
    // A splice or a conversion failed (disk full ...): a message box with `text`. The dictation is as it was and
    // an insert recording is kept (it is offered back at the next start). Optional.
    virtual void ShowEditError(const std::string& text) { (void)text; }
};
