// WindowCatalogue: every window and dialog of the program over a temporary data folder, a sound card that only
// counts time, one dictation and no send queue, for the screenshot tool and the layout test. Each is shown, laid out,
// handed to the visitor and closed again.
#pragma once

#include "app/Settings.h"
#include "platform/AudioBackend.h"
#include "platform/Poster.h"

#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class QWidget;

class WindowCatalogue {
public:
    using Visitor = std::function<void(const QString& name, QWidget& window)>;

    WindowCatalogue();

    // False when the temporary data folder could not be made; ForEach then visits nothing.
    bool IsReady() const { return m_ready; }
    void ForEach(const Visitor& visit);

private:
    QTemporaryDir m_data;
    Settings m_settings;
    PumpPoster m_poster;
    std::unique_ptr<AudioBackend> m_backend;
    bool m_ready;
};
