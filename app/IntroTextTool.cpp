// tallowin-intro-text PAGE OUTFILE: writes welcome page PAGE's text (1 to 5) as it is spoken into the page's
// introduction recording: key names read out in full. Used by the build only.
#include "app/WizardTexts.h"

#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

// The text with "Ctrl+" read as "Control " and "e-mail" as "email".
std::string SpokenText(std::string_view text) {
    static constexpr std::pair<std::string_view, std::string_view> kReadings[] = {{"Ctrl+", "Control "},
                                                                                  {"e-mail", "email"}};
    std::string spoken;
    for (size_t at = 0; at < text.size();) {
        bool replaced = false;
        for (const auto& [written, said] : kReadings) {
            if (text.substr(at, written.size()) == written) {
                spoken += said;
                at += written.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            spoken += text[at++];
    }
    return spoken;
}

} // namespace

int main(int argc, char** argv) {
    int page = 0;
    const std::string_view number = argc == 3 ? argv[1] : "";
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), page);
    if (argc != 3 || error != std::errc() || end != number.data() + number.size() || page < 1 ||
        page > wizard_texts::kPageCount) {
        std::fprintf(stderr, "usage: tallowin-intro-text PAGE(1-%d) OUTFILE\n", wizard_texts::kPageCount);
        return 2;
    }
    const std::string text = SpokenText(wizard_texts::kPages[static_cast<size_t>(page - 1)].text);
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "tallowin-intro-text: cannot write %s\n", argv[2]);
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "tallowin-intro-text: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
