#include "audio/tool/AudioTool.h"

#include "sound/TimeText.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

std::atomic<bool> g_stopRequested{false};

extern "C" void OnStopSignal(int) {
    g_stopRequested.store(true);
}

} // namespace

void PrintError(std::string_view text) {
    std::fprintf(stderr, "tallowin-audio: %.*s\n", static_cast<int>(text.size()), text.data());
}

ToolOptions::ToolOptions(Arguments arguments, std::span<const std::string_view> names) : m_arguments(arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.rfind("--", 0) == 0) {
            if (std::find(names.begin(), names.end(), std::string_view(argument).substr(2)) == names.end()) {
                PrintError("unknown option \"" + argument + "\"");
                m_valid = false;
            } else if (i + 1 >= arguments.size()) {
                PrintError("option \"" + argument + "\" needs a value");
                m_valid = false;
            }
            ++i;
        } else if (m_file.empty()) {
            m_file = argument;
        } else {
            PrintError("one file only: \"" + argument + "\"");
            m_valid = false;
        }
    }
}

std::optional<std::string> ToolOptions::Value(std::string_view name) const {
    std::optional<std::string> value;
    for (size_t i = 0; i + 1 < m_arguments.size(); ++i)
        if (m_arguments[i].rfind("--", 0) == 0 && std::string_view(m_arguments[i]).substr(2) == name)
            value = m_arguments[++i];
    return value;
}

std::optional<double> ToolOptions::Number(std::string_view name, double low, double high, double fallback) const {
    const std::optional<std::string> text = Value(name);
    if (!text)
        return fallback;
    double number = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), number);
    if (error != std::errc() || end != text->data() + text->size() || number < low || number > high) {
        char range[64];
        std::snprintf(range, sizeof range, "from %g to %g", low, high);
        PrintError("--" + std::string(name) + " wants a number " + range + ", not \"" + *text + "\"");
        return std::nullopt;
    }
    return number;
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() {
    return g_stopRequested.load();
}

LevelMeter::LevelMeter() : m_terminal(::isatty(STDERR_FILENO) == 1) {}

void LevelMeter::Show(const LDBMC& levels, int32_t time, std::string_view state) {
    if (!m_terminal)
        return;
    // -36 dB to +12 dB over 24 marks, as the level display shows it.
    constexpr int kWidth = 24;
    const int level = levels.OverallLevel();
    const int marks = std::clamp((level + 36) * kWidth / 48, 0, kWidth);
    std::string bar(static_cast<size_t>(marks), '#');
    bar.resize(kWidth, '-');
    const std::string decibels = level <= -127 ? "--dB" : std::to_string(level) + "dB";
    std::fprintf(stderr, "\r[%s] %6s %s  %-9.*s", bar.c_str(), decibels.c_str(), TimeTextTenths(time).c_str(),
                 static_cast<int>(state.size()), state.data());
    std::fflush(stderr);
    m_shown = true;
}

void LevelMeter::Finish() {
    if (m_terminal && m_shown)
        std::fputc('\n', stderr);
    m_shown = false;
}
