// The server-state section of the shared block (TServerData, 8864 bytes): 32 slots of the
// server's process id, window, timer counter and the Active switch; this process uses slot
// ServerSlot only.
#pragma once

#include "core/intercom/LittleEndian.h"
#include "core/intercom/Section.h"

#include "platform/WindowMessages.h"

#include <cstddef>

// Slot (269 bytes), offsets inside the slot:
// Offset  Width  Field                Meaning
//      0      4  ProcessId            uint32 process id of the running server, 0 = none
//      4      4  WindowHandle         the server's main window, 0 = none
//      8      1  Reserved1            0 after initialisation
//      9    255  Reserved2            never written
//    264      4  ServerTransactionId  int32 tick counter of the server's timer, 0..65536
//    268      1  Active               1 = polling requested/running, 0 = stop
//    269                              (size)
struct TServerSlotLayout {
    intercom::TLeUInt32 ProcessId;
    intercom::TLeUInt32 WindowHandle;
    uint8_t Reserved1;
    uint8_t Reserved2[255];
    intercom::TLeInt32 ServerTransactionId;
    uint8_t Active;
};

static_assert(sizeof(TServerSlotLayout) == 269);
static_assert(offsetof(TServerSlotLayout, ProcessId) == 0);
static_assert(offsetof(TServerSlotLayout, WindowHandle) == 4);
static_assert(offsetof(TServerSlotLayout, Reserved1) == 8);
static_assert(offsetof(TServerSlotLayout, Reserved2) == 9);
static_assert(offsetof(TServerSlotLayout, ServerTransactionId) == 264);
static_assert(offsetof(TServerSlotLayout, Active) == 268);

constexpr int32_t ServerSlotCount = 32;

// Offset  Width     Field  Meaning
//      0    256     Magic  "Vantorelix"
//    256    32×269  Slots  slot i at 256 + 269 × i
//   8864                   (size)
struct TServerDataLayout {
    intercom::TShortString Magic;
    TServerSlotLayout Slots[ServerSlotCount];
};

static_assert(sizeof(TServerDataLayout) == 8864);
static_assert(offsetof(TServerDataLayout, Magic) == 0);
static_assert(offsetof(TServerDataLayout, Slots) == 256);
static_assert(offsetof(TServerDataLayout, Slots[1]) == 256 + 269);
static_assert(offsetof(TServerDataLayout, Slots[31]) == 256 + 269 * 31);

// The slot of the server-state section this process uses: -1 until the program sets it (the
// server to 0 at start, the plug-in to 0 at initialisation). Process-wide.
int32_t ServerSlot();
void SetServerSlot(int32_t slot);

// The server's timer counter after `old`: 65535, 65536, 0.
int32_t NextServerTransactionId(int32_t old);

// Every operation works on slot ServerSlot(); outside 0..31 a getter returns 0 and a setter does
// nothing.
class TServerData : public TIntercomSection {
public:
    static constexpr int32_t SectionSize = sizeof(TServerDataLayout);

    int32_t Size() const override { return SectionSize; }

    uint32_t GetProcessId() const;
    void SetProcessId(uint32_t processId);
    platform::HWND GetWindowHandle() const;
    void SetWindowHandle(platform::HWND window);
    // The window of any slot 0..31 (0 outside), for closing every registered server.
    platform::HWND GetWindowHandleAt(int32_t slot) const;
    uint32_t GetProcessIdAt(int32_t slot) const;
    uint8_t GetActive() const;
    void SetActive(uint8_t active);
    int32_t GetServerTransactionId() const;
    void SetServerTransactionId(int32_t id);
    // One tick of the server's timer: the counter moves on by NextServerTransactionId.
    void StepServerTransactionId();

protected:
    // Magic; in every slot process id, window, Reserved1, counter and Active set to 0.
    void Initialise() override;

private:
    // The slot's address, null when unattached or the slot is out of range.
    uint8_t* SlotAddress(int32_t slot) const;
};
