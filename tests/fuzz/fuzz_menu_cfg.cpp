// The registrar's configuration and command line come from the installer's registry values and
// from whoever starts the program: any text must parse without fault, and what parses must hold
// seven fields with a name, a publisher and a version, none of them containing the separator.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "registrar/registrar_command.h"

namespace {

std::u16string Units(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

void CheckConfiguration(const std::u16string& text) {
    const auto cfg = ParseMenuCfg(text);
    if (!cfg)
        return;
    const std::u16string* fields[] = {&cfg->name,        &cfg->publisher,        &cfg->version,
                                      &cfg->packagePath, &cfg->externalLocation, &cfg->stateKey,
                                      &cfg->installId};
    std::u16string rebuilt;
    for (const auto* field : fields) {
        if (field->find(u'|') != std::u16string::npos)
            std::abort();
        rebuilt += (rebuilt.empty() && field == fields[0] ? u"" : u"|") + *field;
    }
    if (cfg->name.empty() || cfg->publisher.empty() || cfg->version.empty() || rebuilt != text)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::u16string text = Units(data, size);
    CheckConfiguration(text);
    // The same text split at NULs as a command line.
    std::vector<std::u16string> args(1);
    for (char16_t c : text) {
        if (c == 0)
            args.emplace_back();
        else
            args.back().push_back(c);
    }
    const auto command = ParseRegistrarCommand(args);
    if (command && command->verb == RegistrarVerb::StopLock && command->texts.empty())
        std::abort();
    return 0;
}
