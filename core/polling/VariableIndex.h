// TVariableIndex: the server's routing index from a routing address (prefix, device address,
// address, string address) to the static tag that receives values for it.
#pragma once

#include "core/collections/Collections.h"
#include "core/intercom/StaticTags.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

struct TTagIndexEntry {
    std::string Prefix; // upper case, at most 255 characters
    int32_t Device = -1;
    int32_t Address = -1;
    std::string StrAddress; // as written, at most 255 characters; empty for the numeric form
    int32_t StaticIndex = -1;
    bool Invert = false;
    uint8_t TypeCode = 0;
    // The sort key (see TVariableIndex), made once when the entry is indexed, and a view of it
    // that KeyOf hands to Compare (the entry is never copied or moved once indexed).
    std::string Key;
    std::string_view KeyView;

    void SetKey(std::string key) {
        Key = std::move(key);
        KeyView = Key;
    }
};

// Entries in the byte order of their keys, unique by key. The key is the text
//   "PREFIX=<prefix> DEVICE=<device> ADDRESS=<address> STRADDRESS=<string address>"
// with prefix and string address in upper case, so string addresses that differ only in letter
// case are one address. A look-up upper-cases the prefix it is given as well: a device whose
// prefix is written in lower case in the configuration reaches the same tags as the plug-in,
// which binds tags by the upper-cased prefix.
//
// Built once by the main thread at start-up from the static tag section of the installed
// channel (ServerRuntime), read-only afterwards, so polling threads share it without a lock.
class TVariableIndex : public TSortedArray {
public:
    TVariableIndex();
    ~TVariableIndex() override;

    void FreeItem(void* item) override;
    // Keys are the entries' Key strings (KeyOf gives a const std::string_view*).
    int32_t Compare(void* key1, void* key2) override;
    void* KeyOf(void* item) override;

    // Empties the index, then indexes every readable static tag whose routing string parses; of
    // tags with the same key only the first (lowest static position) is kept. False when no
    // channel is installed.
    bool Build();

    // Writes value (divided by the tag's scale when that is not 0, then inverted when the tag
    // says so) and now into the tag's static record. True also when the address is not indexed
    // (the value is dropped); false when no channel is installed, the index is empty, or the
    // static record cannot be read (reported, -22) or written.
    bool SetTagValue(std::string_view prefix, int32_t device, int32_t address,
                     std::string_view strAddress, float value);
    // The same, with the time to store given (one time for a whole flush).
    bool SetTagValue(std::string_view prefix, int32_t device, int32_t address,
                     std::string_view strAddress, float value, double time);
    // The static record of the tag at this routing address; false when not indexed or not
    // readable.
    bool GetTagRecord(std::string_view prefix, int32_t device, int32_t address,
                      std::string_view strAddress, TDMLVariable& record);

    // The entry at position i, or null.
    TTagIndexEntry* Entry(int32_t i) const { return static_cast<TTagIndexEntry*>(At(i)); }
    // The entry for this routing address, or null.
    TTagIndexEntry* Find(std::string_view prefix, int32_t device, int32_t address,
                         std::string_view strAddress);
};

// The text key of a routing address: prefix and string address cut to 255 characters and
// upper-cased.
std::string MakeTagKey(std::string_view prefix, int32_t device, int32_t address,
                       std::string_view strAddress);
