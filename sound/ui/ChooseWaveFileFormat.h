// ChooseWaveFileFormat: lets the user pick the format a wave file is written in, editing a format area (a
// serialized format record, 1024 bytes where recipients keep it) in place. Runs on the UI thread.
//
//   std::array<uint8_t, WaveFormatRecord::kAreaSize> area = recipient.format;
//   if (ChooseWaveFileFormat(area, window)) recipient.format = area;
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <span>

class QWidget;

// Shows the "Format Not Available" message; tests put their own in its place.
using FormatMessageFunction = std::function<void(QWidget* owner, const QString& caption, const QString& text)>;

// Shows the chooser, starting from the record in `area` (the first format when the area holds none), until the
// user picks a format the codec layer can produce from 16-bit PCM of its rate and channels: then the area is
// overwritten with that record (the rest zeroed) and the result is true. A choice the codec cannot produce shows
// the message and the chooser again, as the user left it. Cancel returns false and leaves the area alone.
// `owner` null: the active window.
bool ChooseWaveFileFormat(std::span<uint8_t> area, QWidget* owner, const FormatMessageFunction& showMessage = {});

// The message box with its exclamation icon and OK button.
void ShowFormatMessage(QWidget* owner, const QString& caption, const QString& text);
