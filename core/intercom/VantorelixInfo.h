// The header section of the shared block (TVantorelixInfo, 777 bytes): the plug-in's name,
// state, prefixes, cycle counter and the kernel window; written by the plug-in only.
#pragma once

#include "core/intercom/LittleEndian.h"
#include "core/intercom/Section.h"

#include "platform/WindowMessages.h"

#include <cstddef>
#include <string>
#include <string_view>

// Offset  Width  Field             Meaning
//      0    256  Magic             "Vantorelix"
//    256    256  DmlName           short string: the driver's name text
//    512      1  DmlState          plug-in state: 0 unknown, 1 initialised, 2 running, 3 stopped,
//                                  4..10 driver-thread position, 11 driver thread ended
//    513    256  Prefixes          short string: the plug-in's prefix list
//    769      4  DmlTransactionId  int32 cycle counter of the driver thread, 0..65535
//    773      4  HostWindow        kernel window that receives the data blocks
//    777                           (size)
struct TVantorelixInfoLayout {
    intercom::TShortString Magic;
    intercom::TShortString DmlName;
    uint8_t DmlState;
    intercom::TShortString Prefixes;
    intercom::TLeInt32 DmlTransactionId;
    intercom::TLeUInt32 HostWindow;
};

static_assert(sizeof(TVantorelixInfoLayout) == 777);
static_assert(offsetof(TVantorelixInfoLayout, Magic) == 0);
static_assert(offsetof(TVantorelixInfoLayout, DmlName) == 256);
static_assert(offsetof(TVantorelixInfoLayout, DmlState) == 512);
static_assert(offsetof(TVantorelixInfoLayout, Prefixes) == 513);
static_assert(offsetof(TVantorelixInfoLayout, DmlTransactionId) == 769);
static_assert(offsetof(TVantorelixInfoLayout, HostWindow) == 773);

// The plug-in's cycle counter after `old`: 65534, 65535, 0.
int32_t NextDmlTransactionId(int32_t old);

class TVantorelixInfo : public TIntercomSection {
public:
    static constexpr int32_t SectionSize = sizeof(TVantorelixInfoLayout);

    int32_t Size() const override { return SectionSize; }

    std::string GetDmlName() const;
    void SetDmlName(std::string_view name);
    uint8_t GetDmlState() const;
    void SetDmlState(uint8_t state);
    std::string GetPrefixes() const;
    void SetPrefixes(std::string_view prefixes);
    int32_t GetDmlTransactionId() const;
    void SetDmlTransactionId(int32_t id);
    // One cycle of the driver thread: the counter moves on by NextDmlTransactionId.
    void StepDmlTransactionId();
    platform::HWND GetHostWindow() const;
    void SetHostWindow(platform::HWND window);

protected:
    // Magic, empty name and prefixes, state 0; the counter and the kernel window keep the
    // zeros of the fresh block.
    void Initialise() override;
};
