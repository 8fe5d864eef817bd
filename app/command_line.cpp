#include "app/command_line.h"

#include "base/ascii.h"

std::vector<std::u16string> CollectFileArguments(const std::vector<std::u16string>& args) {
    std::vector<std::u16string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (arg == u"--lang") {
            ++i; // the language code belongs to the switch
            continue;
        }
        if (arg.empty() || arg.front() == u'-')
            continue;
        files.push_back(arg);
    }
    return files;
}

EngineKind ChooseEngineKind(const std::optional<std::u16string>& jkEngine) {
    if (!jkEngine || jkEngine->size() >= kEngineVariableUnits)
        return EngineKind::Session;
    return AsciiEqualsNoCase(*jkEngine, u"mfplay") ? EngineKind::MFPlay : EngineKind::Session;
}

bool DragSwitchOn(const std::optional<std::u16string>& value) {
    if (!value || value->size() >= kDragSwitchVariableUnits)
        return false;
    return !value->empty() && value->front() == u'1';
}
