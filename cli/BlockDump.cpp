// plinvar block dump: shows what the plug-in and the server have in their shared block right
// now, from a private copy taken through a read-only mapping, so the running driver is never
// disturbed. Text for a person, or JSON (UTF-8) for a script.
#include "core/intercom/IntercomInterface.h"
#include "platform/AnsiText.h"
#include "platform/SharedMemory.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr const char* DefaultBlockName = "Plinvar.dat";

void PrintBlockUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: plinvar block dump [--section NAME] [--json] [--block NAME]\n"
                 "\n"
                 "Prints the shared block of the running driver (the instance named by\n"
                 "VANTORELIX_INSTANCE): the header, server slot 0, the static and dynamic tags,\n"
                 "the command queue, the error entries and the three terminals. The block is\n"
                 "read through a read-only mapping and never written.\n"
                 "\n"
                 "  --section NAME  only one section: header, server, static, dynamic, commands,\n"
                 "                  errors or terminals\n"
                 "  --json          JSON instead of text (texts in UTF-8)\n"
                 "  --block NAME    another block name than %s\n"
                 "\n"
                 "Exit status: 0 printed, 1 no block, 2 bad arguments.\n",
                 DefaultBlockName);
}

struct TMember;

// A small document that both printers walk: scalars keep their printed form.
struct TNode {
    enum TKind { Null, Number, String, Object, Array } Kind = Null;
    std::string Scalar; // a number as printed, or a UTF-8 text
    std::vector<TMember> Members;
    std::vector<TNode> Items;

    TNode& Add(std::string key, TNode value);
};

// A named member of an object node (a pair would need TNode complete before TNode is).
struct TMember {
    std::string first;
    TNode second;
};

TNode& TNode::Add(std::string key, TNode value) {
    Members.push_back(TMember{std::move(key), std::move(value)});
    return Members.back().second;
}

TNode Node(TNode::TKind kind, std::string scalar = {}) {
    TNode node;
    node.Kind = kind;
    node.Scalar = std::move(scalar);
    return node;
}

TNode Integer(int64_t value) {
    return Node(TNode::Number, std::to_string(value));
}

// Shortest form that reads back to the same value; NaN and infinities have no JSON number.
template <typename T> TNode Real(T value) {
    if (!std::isfinite(value)) {
        return {};
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return Node(TNode::Number, std::string(buffer, result.ptr));
}

TNode Text(std::string_view ansi) {
    return Node(TNode::String, platform::AnsiToUtf8(ansi));
}

TNode Hex(uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%08X", value);
    return Node(TNode::String, buffer);
}

// "YYYY-MM-DD hh:mm:ss.zzz" of a date-time (days since 1899-12-30); empty when out of range.
std::string DateTimeText(double days) {
    if (!std::isfinite(days) || days < -657434.0 || days > 2958466.0) {
        return {};
    }
    const int64_t ms = std::llround(days * 86400000.0);
    int64_t day = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    int64_t msOfDay = ms - day * 86400000;
    // Civil date from days since 1970-01-01 (H. Hinnant's algorithm).
    int64_t z = day - 25569 + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const int64_t m = mp < 10 ? mp + 3 : mp - 9;
    const int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    char buffer[128];
    std::snprintf(buffer, sizeof(buffer), "%04lld-%02lld-%02lld %02lld:%02lld:%02lld.%03lld",
                  (long long)y, (long long)m, (long long)d, (long long)(msOfDay / 3600000),
                  (long long)(msOfDay / 60000 % 60), (long long)(msOfDay / 1000 % 60),
                  (long long)(msOfDay % 1000));
    return buffer;
}

void AddTime(TNode& node, const char* key, double days) {
    node.Add(key, Real(days));
    node.Add(std::string(key) + "Text", Node(TNode::String, DateTimeText(days)));
}

const char* DmlStateText(uint8_t state) {
    switch (state) {
    case 0:
        return "unknown";
    case 1:
        return "initialised";
    case 2:
        return "running";
    case 3:
        return "stopped";
    case 11:
        return "driver thread ended";
    default:
        return state >= 4 && state <= 10 ? "driver thread cycle" : "?";
    }
}

const char* CommandStateText(uint8_t state) {
    static const char* const names[] = {"idle", "posted", "taken", "done"};
    return state < 4 ? names[state] : "?";
}

// The section's bytes as a record of ours; the copy is private, so no busy byte is taken.
template <typename T> std::unique_ptr<T> CopyOf(const TIntercomSection& section) {
    auto copy = std::make_unique<T>();
    std::memcpy(copy.get(), section.Address(), sizeof(T));
    return copy;
}

TNode VariableInfo(const TVariableInfo& info) {
    TNode node = Node(TNode::Object);
    node.Add("Id", Integer(info.Id.Get()));
    node.Add("TagName", Text(info.TagName.Get()));
    node.Add("Routing", Text(info.Routing.Get()));
    node.Add("KernelValue", Real(info.Value.Get()));
    node.Add("DeadBand", Real(info.DeadBand.Get()));
    node.Add("Scale", Real(info.Scale.Get()));
    node.Add("Inverse", Integer(info.Inverse.Get()));
    return node;
}

TNode HeaderNode(const TIntercomInterface& channel) {
    TNode node = Node(TNode::Object);
    node.Add("Magic", Text(intercom::LoadShortString(channel.Info.Address())));
    node.Add("DmlName", Text(channel.Info.GetDmlName()));
    node.Add("DmlState", Integer(channel.Info.GetDmlState()));
    node.Add("DmlStateText", Text(DmlStateText(channel.Info.GetDmlState())));
    node.Add("Prefixes", Text(channel.Info.GetPrefixes()));
    node.Add("DmlTransactionId", Integer(channel.Info.GetDmlTransactionId()));
    node.Add("HostWindow", Hex(channel.Info.GetHostWindow()));
    return node;
}

TNode ServerNode(const TIntercomInterface& channel) {
    const auto data = CopyOf<TServerDataLayout>(channel.ServerData);
    const TServerSlotLayout& slot = data->Slots[0];
    TNode node = Node(TNode::Object);
    node.Add("Slot", Integer(0));
    node.Add("ProcessId", Integer(slot.ProcessId.Get()));
    node.Add("WindowHandle", Hex(slot.WindowHandle.Get()));
    node.Add("ServerTransactionId", Integer(slot.ServerTransactionId.Get()));
    node.Add("Active", Integer(slot.Active));
    return node;
}

TNode StaticNode(const TIntercomInterface& channel) {
    TNode node = Node(TNode::Object);
    node.Add("Capacity", Integer(channel.StaticTags.Capacity()));
    node.Add("Count", Integer(channel.StaticTags.StoredCount()));
    TNode& records = node.Add("Records", Node(TNode::Array));
    for (int32_t i = 0; i < channel.StaticTags.Count(); ++i) {
        TDMLVariable record{};
        if (!channel.StaticTags.GetRecord(i, record)) {
            continue;
        }
        TNode item = VariableInfo(record.Info);
        item.Members.insert(item.Members.begin(), {"Index", Integer(i)});
        item.Add("Value", Real(record.Value.Get()));
        item.Add("SentValue", Real(record.SentValue.Get()));
        AddTime(item, "Time", record.Time.Get());
        records.Items.push_back(std::move(item));
    }
    return node;
}

TNode DynamicNode(const TIntercomInterface& channel) {
    TNode node = Node(TNode::Object);
    node.Add("Count", Integer(intercom::LoadInt32(channel.DynamicTags.Address() + 256)));
    TNode& records = node.Add("Records", Node(TNode::Array));
    for (int32_t i = 0; i < channel.DynamicTags.Count(); ++i) {
        TDynamicVariable record{};
        if (!channel.DynamicTags.GetRecord(i, record)) {
            continue;
        }
        TNode item = Node(TNode::Object);
        item.Add("Index", Integer(i));
        item.Add("Name", Text(record.Name.Get()));
        item.Add("Id", Integer(record.Info.Id.Get()));
        item.Add("Value", Real(record.Value.Get()));
        AddTime(item, "Time", record.Time.Get());
        records.Items.push_back(std::move(item));
    }
    return node;
}

TNode CommandsNode(const TIntercomInterface& channel) {
    const auto queue = CopyOf<TCommandsListLayout>(channel.Commands);
    TNode node = Node(TNode::Object);
    node.Add("State", Integer(queue->State));
    node.Add("StateText", Text(CommandStateText(queue->State)));
    node.Add("DeviceName", Text(queue->DeviceName.Get()));
    node.Add("DeviceAddress", Integer(queue->DeviceAddress.Get()));
    AddTime(node, "Time", queue->Time.Get());
    node.Add("Count", Integer(queue->Count.Get()));
    TNode& commands = node.Add("Commands", Node(TNode::Array));
    for (int32_t i = 0; i < queue->UsedCount(); ++i) {
        const TCommandRecord& command = queue->Commands[i];
        TNode item = Node(TNode::Object);
        item.Add("TagId", Integer(command.TagId.Get()));
        item.Add("DeviceName", Text(command.DeviceName.Get()));
        item.Add("DeviceAddress", Integer(command.DeviceAddress.Get()));
        item.Add("Address", Integer(command.Address.Get()));
        item.Add("Segment", Text(command.Segment.Get()));
        item.Add("Value", Real(command.Value.Get()));
        item.Add("Value2", Real(command.Value2.Get()));
        commands.Items.push_back(std::move(item));
    }
    return node;
}

TNode ErrorsNode(const TIntercomInterface& channel) {
    const auto errors = CopyOf<TServerErrorListLayout>(channel.Errors);
    TNode node = Node(TNode::Object);
    node.Add("Sequence", Integer(errors->Sequence.Get()));
    node.Add("Busy", Integer(errors->Busy));
    node.Add("Count", Integer(errors->Count.Get()));
    TNode& entries = node.Add("Entries", Node(TNode::Array));
    for (int32_t i = 0; i < errors->UsedCount(); ++i) {
        const TServerErrorRecord& entry = errors->Entries[i];
        TNode item = Node(TNode::Object);
        item.Add("Code", Integer(entry.Code.Get()));
        AddTime(item, "Time", entry.Time.Get());
        item.Add("Text", Text(entry.Text.Get()));
        entries.Items.push_back(std::move(item));
    }
    return node;
}

TNode TerminalsNode(const TIntercomInterface& channel) {
    const std::pair<const char*, const TTerminalClass*> terminals[] = {
        {"Terminal", &channel.Terminal},
        {"CommandsTerminal", &channel.CommandsTerminal},
        {"RemoteTerminal", &channel.RemoteTerminal},
    };
    TNode node = Node(TNode::Array);
    for (const auto& [name, section] : terminals) {
        const auto terminal = CopyOf<TTerminalLayout>(*section);
        TNode item = Node(TNode::Object);
        item.Add("Name", Text(name));
        item.Add("Counter", Integer(terminal->Counter.Get()));
        item.Add("Owner", Integer(terminal->Owner.Get()));
        item.Add("Busy", Integer(terminal->Busy));
        item.Add("Caption", Text(terminal->Info.Caption.Get()));
        item.Add("LinkUp", Integer(terminal->Info.LinkUp));
        item.Add("LastInterval", Integer(terminal->Info.LastInterval.Get()));
        item.Add("LastDuration", Integer(terminal->Info.LastDuration.Get()));
        item.Add("Text", Text(intercom::LoadZeroTerminated(terminal->Text, TerminalTextSize)));
        node.Items.push_back(std::move(item));
    }
    return node;
}

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buffer[8];
                std::snprintf(buffer, sizeof(buffer), "\\u%04X", c);
                out += buffer;
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
}

void AppendJson(std::string& out, const TNode& node, int depth) {
    const std::string indent(size_t(depth + 1) * 2, ' ');
    const std::string closing(size_t(depth) * 2, ' ');
    switch (node.Kind) {
    case TNode::Null:
        out += "null";
        break;
    case TNode::Number:
        out += node.Scalar;
        break;
    case TNode::String:
        AppendJsonString(out, node.Scalar);
        break;
    case TNode::Object:
        if (node.Members.empty()) {
            out += "{}";
            break;
        }
        out += "{\n";
        for (size_t i = 0; i < node.Members.size(); ++i) {
            out += indent;
            AppendJsonString(out, node.Members[i].first);
            out += ": ";
            AppendJson(out, node.Members[i].second, depth + 1);
            out += i + 1 < node.Members.size() ? ",\n" : "\n";
        }
        out += closing + "}";
        break;
    case TNode::Array:
        if (node.Items.empty()) {
            out += "[]";
            break;
        }
        out += "[\n";
        for (size_t i = 0; i < node.Items.size(); ++i) {
            out += indent;
            AppendJson(out, node.Items[i], depth + 1);
            out += i + 1 < node.Items.size() ? ",\n" : "\n";
        }
        out += closing + "]";
        break;
    }
}

std::string ScalarText(const TNode& node) {
    return node.Kind == TNode::Null ? std::string("-") : node.Scalar;
}

void AppendText(std::string& out, const std::string& label, const TNode& node, int depth) {
    const std::string indent(size_t(depth) * 2, ' ');
    if (node.Kind == TNode::Object || node.Kind == TNode::Array) {
        out += indent + label + (node.Kind == TNode::Array && node.Items.empty() ? ": none" : "") +
               "\n";
        for (const auto& [key, member] : node.Members) {
            AppendText(out, key, member, depth + 1);
        }
        for (size_t i = 0; i < node.Items.size(); ++i) {
            AppendText(out, "[" + std::to_string(i) + "]", node.Items[i], depth + 1);
        }
        return;
    }
    const std::string value = ScalarText(node);
    if (value.find('\n') == std::string::npos) {
        out += indent + label + ": " + value + "\n";
        return;
    }
    // A text of several lines (a terminal) goes below its label, indented.
    out += indent + label + ":\n";
    size_t start = 0;
    while (start <= value.size()) {
        size_t end = value.find('\n', start);
        if (end == std::string::npos) {
            end = value.size();
        }
        std::string line = value.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        out += indent + "  | " + line + "\n";
        start = end + 1;
    }
}

const char* const SectionNames[] = {"header",   "server", "static",   "dynamic",
                                    "commands", "errors", "terminals"};

TNode SectionNode(const TIntercomInterface& channel, std::string_view section) {
    if (section == "header") {
        return HeaderNode(channel);
    }
    if (section == "server") {
        return ServerNode(channel);
    }
    if (section == "static") {
        return StaticNode(channel);
    }
    if (section == "dynamic") {
        return DynamicNode(channel);
    }
    if (section == "commands") {
        return CommandsNode(channel);
    }
    if (section == "errors") {
        return ErrorsNode(channel);
    }
    return TerminalsNode(channel);
}

const char* SectionTitle(std::string_view section) {
    static const std::pair<const char*, const char*> titles[] = {
        {"header", "Header"},       {"server", "Server"},     {"static", "StaticTags"},
        {"dynamic", "DynamicTags"}, {"commands", "Commands"}, {"errors", "Errors"},
        {"terminals", "Terminals"},
    };
    for (const auto& [name, title] : titles) {
        if (section == name) {
            return title;
        }
    }
    return "?";
}

int Dump(const std::string& blockName, std::string_view onlySection, bool json) {
    const auto channel = TIntercomInterface::Inspect(blockName);
    if (!channel->IsMapped()) {
        const std::string instance = platform::InstanceSuffix();
        std::fprintf(stderr, "plinvar block dump: no shared block \"%s\"%s%s\n", blockName.c_str(),
                     instance.empty() ? "" : " in instance ",
                     instance.empty() ? "" : instance.c_str() + 1);
        return 1;
    }
    TNode document = Node(TNode::Object);
    TNode& block = document.Add("Block", Node(TNode::Object));
    block.Add("Name", Text(blockName));
    block.Add("Size", Integer(int64_t(channel->ViewSize())));
    for (const char* section : SectionNames) {
        if (onlySection.empty() || onlySection == section) {
            document.Add(SectionTitle(section), SectionNode(*channel, section));
        }
    }
    std::string out;
    if (json) {
        AppendJson(out, document, 0);
        out += '\n';
    } else {
        for (const auto& [key, member] : document.Members) {
            AppendText(out, key, member, 0);
        }
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int RunBlock(int argc, char** argv) {
    if (argc < 1 || std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0) {
        PrintBlockUsage(argc < 1 ? stderr : stdout);
        return argc < 1 ? 2 : 0;
    }
    if (std::strcmp(argv[0], "dump") != 0) {
        std::fprintf(stderr, "plinvar block: unknown action '%s'\n\n", argv[0]);
        PrintBlockUsage(stderr);
        return 2;
    }
    std::string blockName = DefaultBlockName;
    std::string section;
    bool json = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintBlockUsage(stdout);
            return 0;
        }
        if (arg == "--json") {
            json = true;
        } else if ((arg == "--section" || arg == "--block") && i + 1 < argc) {
            (arg == "--section" ? section : blockName) = argv[++i];
        } else {
            std::fprintf(stderr, "plinvar block dump: bad argument '%s'\n\n", argv[i]);
            PrintBlockUsage(stderr);
            return 2;
        }
    }
    if (!section.empty()) {
        bool known = false;
        for (const char* name : SectionNames) {
            known = known || section == name;
        }
        if (!known) {
            std::fprintf(stderr,
                         "plinvar block dump: unknown section '%s' (header, server, static, "
                         "dynamic, commands, errors, terminals)\n",
                         section.c_str());
            return 2;
        }
    }
    return Dump(blockName, section, json);
}
