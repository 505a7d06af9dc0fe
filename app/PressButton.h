// PressButton: a push button that reports the press and the release of the left mouse button to its owner
// (rewind and fast forward run while it is held) instead of a click. The keyboard presses it the same way.
// Main thread.
//
//   auto* rewind = new PressButton(form);
//   rewind->SetHandler([this](PressButton::Edge edge, int id) { edge == PressButton::Edge::Press ? ... : ...; });
#pragma once

#include <QPushButton>
#include <functional>

class PressButton final : public QPushButton {
public:
    enum class Edge { Press, Release };
    // `id`: the button's "controlId" property (set by DialogUnits::Place).
    using Handler = std::function<void(Edge edge, int id)>;

    explicit PressButton(QWidget* parent = nullptr);

    void SetHandler(Handler handler) { m_handler = std::move(handler); }

    // As a left button down or up on the button; a press while held, or a release while not, does nothing.
    void Press();
    void Release();
    bool IsHeld() const { return m_held; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Report(Edge edge);

    Handler m_handler;
    bool m_held = false;
};
