// MainFrame: the program's frame window "Tallowin": caption and system menu, no sizing border and no maximize box;
// its size is that of the main form it holds (276 × 108 dialog units).
#pragma once

#include <QMainWindow>

class MainFrame final : public QMainWindow {
public:
    MainFrame();

    // Shows the frame restored from minimised and in front of the other windows.
    void BringToFront();
};
