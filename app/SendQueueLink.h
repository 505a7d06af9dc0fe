// SendQueueLink: what the main window uses of the background send queue, as plain functions, so the window is
// built and tested without a running queue. LinkToQueue binds them to the process's BGSend.
//
//   MainDialogServices services{...};
//   services.queue = LinkToQueue(queue, poster);   // the progress notes reach the window through `poster`
#pragma once

#include "BGSend.h"
#include "Poster.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct SendQueueLink {
    // Queues a wave path of "Sent Files/" for a recipient index; false when the queue did not take it.
    std::function<bool(const std::string& sentWavePath, int recipientIndex)> add;
    // The progress value the queue published (remaining work in dictations; 0 when idle).
    std::function<float()> shownProgress;
    // Makes `onProgress` the queue's notification, run on the main thread; an empty function detaches.
    std::function<void(std::function<void()> onProgress)> attach;
    // A transport failure waiting to be shown (OK keeps the queue, Cancel empties it), once.
    std::function<std::optional<std::string>()> takeFailure;
    // Texts waiting to be shown with OK only.
    std::function<std::vector<std::string>()> takeNotices;
    // The user's Cancel of the failure box: the queue is emptied and its worker stopped.
    std::function<void()> cancelAll;
    std::function<bool(const std::string& sentWavePath)> isQueued;
    std::function<bool(const std::string& sentWavePath)> remove;
    std::function<bool(int deletedIndex)> renumberRecipients;
};

// Binds every member to `queue`; the progress notifications are posted through `poster`. Both must outlive the
// returned functions.
inline SendQueueLink LinkToQueue(BGSend& queue, Poster& poster) {
    SendQueueLink link;
    link.add = [&queue](const std::string& path, int index) { return queue.Add(path, index); };
    link.shownProgress = [&queue] { return queue.ShownProgress(); };
    link.attach = [&queue, &poster](std::function<void()> onProgress) {
        if (onProgress)
            queue.SetNotify(&poster, std::move(onProgress));
        else
            queue.SetNotify(nullptr, {});
    };
    link.takeFailure = [&queue] { return queue.TakeFailure(); };
    link.takeNotices = [&queue] { return queue.TakeNotices(); };
    link.cancelAll = [&queue] { queue.CancelAll(); };
    link.isQueued = [&queue](const std::string& path) { return queue.IsQueued(path); };
    link.remove = [&queue](const std::string& path) { return queue.Remove(path); };
    link.renumberRecipients = [&queue](int deletedIndex) { return queue.RenumberRecipients(deletedIndex); };
    return link;
}
