// store_probe: runs one dictation store operation and prints its outcome, for tests that run it as another user.
//   store_probe refresh <current> <sent> <settings>            prints the names, or "failed"
//   store_probe rename <current> <sent> <settings> <old> <new> prints the result
//   store_probe send <current> <sent> <settings> <name>        prints the result (the queue takes everything)
#include "DictationStore.h"
#include "Profile.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 5)
        return 2;
    const std::string command = argv[1];
    DictationStore store(argv[2], argv[3], argv[4]);
    if (command == "refresh") {
        const auto names = store.Refresh();
        if (!names)
            std::puts("failed");
        for (const std::string& name : names.value_or(std::vector<std::string>()))
            std::puts(name.c_str());
    } else if (command == "rename" && argc == 7) {
        std::puts(std::string(StoreResultName(store.Rename(argv[5], argv[6]).result)).c_str());
    } else if (command == "send" && argc == 6) {
        const StoreResult result = store.MoveToSent(argv[5], "Typist", [](const std::string&) { return true; });
        std::puts(std::string(StoreResultName(result)).c_str());
    } else {
        return 2;
    }
    return ProfileFlushAll() ? 0 : 1;
}
