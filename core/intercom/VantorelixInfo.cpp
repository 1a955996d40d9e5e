// The header section of the shared block.
#include "core/intercom/VantorelixInfo.h"

using namespace intercom;

namespace {
constexpr size_t MagicAt = offsetof(TVantorelixInfoLayout, Magic);
constexpr size_t DmlNameAt = offsetof(TVantorelixInfoLayout, DmlName);
constexpr size_t DmlStateAt = offsetof(TVantorelixInfoLayout, DmlState);
constexpr size_t PrefixesAt = offsetof(TVantorelixInfoLayout, Prefixes);
constexpr size_t TransactionAt = offsetof(TVantorelixInfoLayout, DmlTransactionId);
constexpr size_t HostWindowAt = offsetof(TVantorelixInfoLayout, HostWindow);
} // namespace

int32_t NextDmlTransactionId(int32_t old) {
    const int64_t next = int64_t(old) + 1;
    return next > 65535 ? 0 : int32_t(next);
}

void TVantorelixInfo::Initialise() {
    StoreShortString(FAddress + MagicAt, MagicText);
    StoreShortString(FAddress + DmlNameAt, {});
    StoreByte(FAddress + DmlStateAt, 0);
    StoreShortString(FAddress + PrefixesAt, {});
}

std::string TVantorelixInfo::GetDmlName() const {
    return FAddress ? LoadShortString(FAddress + DmlNameAt) : std::string();
}

void TVantorelixInfo::SetDmlName(std::string_view name) {
    if (FAddress) {
        StoreShortString(FAddress + DmlNameAt, name);
    }
}

uint8_t TVantorelixInfo::GetDmlState() const {
    return FAddress ? LoadByte(FAddress + DmlStateAt) : 0;
}

void TVantorelixInfo::SetDmlState(uint8_t state) {
    if (FAddress) {
        StoreByte(FAddress + DmlStateAt, state);
    }
}

std::string TVantorelixInfo::GetPrefixes() const {
    return FAddress ? LoadShortString(FAddress + PrefixesAt) : std::string();
}

void TVantorelixInfo::SetPrefixes(std::string_view prefixes) {
    if (FAddress) {
        StoreShortString(FAddress + PrefixesAt, prefixes);
    }
}

int32_t TVantorelixInfo::GetDmlTransactionId() const {
    return FAddress ? LoadInt32(FAddress + TransactionAt) : 0;
}

void TVantorelixInfo::SetDmlTransactionId(int32_t id) {
    if (FAddress) {
        StoreInt32(FAddress + TransactionAt, id);
    }
}

void TVantorelixInfo::StepDmlTransactionId() {
    if (FAddress) {
        SetDmlTransactionId(NextDmlTransactionId(GetDmlTransactionId()));
    }
}

platform::HWND TVantorelixInfo::GetHostWindow() const {
    return FAddress ? LoadUInt32(FAddress + HostWindowAt) : 0;
}

void TVantorelixInfo::SetHostWindow(platform::HWND window) {
    if (FAddress) {
        StoreUInt32(FAddress + HostWindowAt, window);
    }
}
