#include "registrar/registrar_command.h"

namespace {

using Args = std::vector<std::u16string>;

struct VerbName {
    const char16_t* word;
    RegistrarVerb verb;
    bool needsCfg;
};

constexpr VerbName kVerbs[] = {
    {u"register", RegistrarVerb::Register, true},     {u"ensure", RegistrarVerb::Ensure, true},
    {u"unregister", RegistrarVerb::Unregister, true}, {u"prune", RegistrarVerb::Prune, true},
    {u"stoplock", RegistrarVerb::StopLock, false},    {u"probe", RegistrarVerb::Probe, false},
    {u"secure", RegistrarVerb::Secure, false},
};

const VerbName* FindVerb(const std::u16string& word) {
    for (const auto& v : kVerbs) {
        if (word == v.word)
            return &v;
    }
    return nullptr;
}

// What follows the command word (and, for configured commands, the configuration).
bool TakeRest(RegistrarCommand& command, const Args& rest) {
    switch (command.verb) {
    case RegistrarVerb::Unregister:
        command.allUsers = !rest.empty() && rest[0] == u"--all-users";
        return true;
    case RegistrarVerb::Prune:
    case RegistrarVerb::StopLock:
        command.texts = rest;
        return command.verb == RegistrarVerb::Prune || !rest.empty();
    case RegistrarVerb::Probe:
        if (rest.size() < 2)
            return false;
        command.path = rest[0];
        command.clsid = rest[1];
        return true;
    case RegistrarVerb::Secure:
        if (rest.empty())
            return false;
        command.path = rest[0];
        return true;
    default:
        return true;
    }
}

} // namespace

std::optional<RegistrarCommand> ParseRegistrarCommand(const Args& args) {
    if (args.empty())
        return std::nullopt;
    const VerbName* verb = FindVerb(args[0]);
    if (verb == nullptr)
        return std::nullopt;
    RegistrarCommand command;
    command.verb = verb->verb;
    size_t next = 1;
    if (verb->needsCfg) {
        if (args.size() < 2)
            return std::nullopt;
        auto cfg = ParseMenuCfg(args[1]);
        if (!cfg)
            return std::nullopt;
        command.cfg = std::move(*cfg);
        next = 2;
    }
    if (!TakeRest(command, Args(args.begin() + static_cast<long>(next), args.end())))
        return std::nullopt;
    return command;
}
