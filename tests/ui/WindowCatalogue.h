// WindowCatalogue: every window and dialog of the program, built over a temporary data folder with a sound card
// that only counts time and no send queue, for the screenshot tool and the layout test. Each is shown, laid out,
// handed to the visitor and closed again.
//
//   WindowCatalogue catalogue;
//   catalogue.ForEach([](const QString& name, QWidget& window) { window.grab().save(name + ".png"); });
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;

class WindowCatalogue {
public:
    using Visitor = std::function<void(const QString& name, QWidget& window)>;

    WindowCatalogue();
    ~WindowCatalogue();
    WindowCatalogue(const WindowCatalogue&) = delete;
    WindowCatalogue& operator=(const WindowCatalogue&) = delete;

    // False when the temporary data folder could not be made; ForEach then visits nothing.
    bool IsReady() const;
    void ForEach(const Visitor& visit);

private:
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};
