// Speed of writing received values into the static tags: the routing index look-up of each value
// and a whole flush of 10,000 values into a block of 10,000 static tags, per value.
#include "core/intercom/IntercomInterface.h"
#include "core/polling/ReceiveVariables.h"
#include "core/polling/ServerRuntime.h"
#include "core/polling/VariableIndex.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int32_t TagCount = 10000;

// A block of TagCount static tags with numeric and string addresses (one in four scaled, one in
// ten inverted), installed in the server runtime with its index built.
class TBlock {
public:
    TBlock() : Memory(BlockSize(TagCount)) {
        Channel = TIntercomInterface::OverMemory(Memory.data(), Memory.size(),
                                                 TIntercomInterface::TAttachMode::Create, TagCount);
        for (int32_t i = 0; i < TagCount; ++i) {
            TVariableInfo info;
            std::memset(&info, 0, sizeof(info));
            info.Id.Set(i);
            info.TagName.Set("TAG" + std::to_string(i));
            info.Routing.Set(Routing(i));
            info.Scale.Set(i % 4 == 0 ? 10.0f : 0.0f);
            info.Inverse.Set(i % 10 == 0 ? 1 : 0);
            Channel->StaticTags.Add(info);
        }
        ServerRuntime().Channel = Channel.get();
        Index.Build();
        ServerRuntime().VariableIndex = &Index;
    }
    ~TBlock() { ServerRuntime().Clear(); }

    static std::string Routing(int32_t i) {
        if (i % 2 == 0) {
            return "SNMP" + std::to_string(i % 5) + ": DEVICE=" + std::to_string(i % 13) +
                   "; ADDRESS=" + std::to_string(i);
        }
        return "SNMP" + std::to_string(i % 5) + ": ROUTING=ifInOctets." + std::to_string(i);
    }
    // The routing address of tag i as a device queues it (prefix in the letter case of the
    // device's configuration).
    static void Queue(TReceiveVariables& received, int32_t i) {
        const std::string prefix = "snmp" + std::to_string(i % 5);
        if (i % 2 == 0) {
            AddReceived(received, prefix, i % 13, float(i), "", i);
        } else {
            AddReceived(received, prefix, -1, float(i), "ifInOctets." + std::to_string(i), -1);
        }
    }

    std::vector<uint8_t> Memory;
    std::unique_ptr<TIntercomInterface> Channel;
    TVariableIndex Index;
};

// Nanoseconds of measured time per value handled.
void PerValue(benchmark::State& state, int64_t valuesPerIteration) {
    state.SetItemsProcessed(state.iterations() * valuesPerIteration);
    state.counters["ns_per_value"] =
        benchmark::Counter(double(state.iterations() * valuesPerIteration) * 1e-9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The flush alone: the queue is refilled outside the timing.
void FlushTenThousand(benchmark::State& state) {
    TBlock block;
    TReceiveVariables received;
    for (auto _ : state) {
        state.PauseTiming();
        for (int32_t i = 0; i < TagCount; ++i) {
            TBlock::Queue(received, i);
        }
        state.ResumeTiming();
        if (!FlushReceived(received)) {
            state.SkipWithError("flush failed");
            break;
        }
    }
    TDMLVariable record;
    block.Channel->StaticTags.GetRecord(TagCount - 1, record);
    if (record.Value.Get() != float(TagCount - 1)) {
        state.SkipWithError("values did not arrive");
    }
    PerValue(state, TagCount);
}

// What a polling thread does for each value: queue it, then flush.
void QueueAndFlushTenThousand(benchmark::State& state) {
    TBlock block;
    TReceiveVariables received;
    for (auto _ : state) {
        for (int32_t i = 0; i < TagCount; ++i) {
            TBlock::Queue(received, i);
        }
        FlushReceived(received);
    }
    PerValue(state, TagCount);
}

void IndexLookUp(benchmark::State& state) {
    TBlock block;
    std::vector<std::string> strAddresses;
    for (int32_t i = 0; i < TagCount; ++i) {
        strAddresses.push_back(i % 2 == 0 ? std::string() : "ifInOctets." + std::to_string(i));
    }
    const std::string prefixes[5] = {"SNMP0", "SNMP1", "SNMP2", "SNMP3", "SNMP4"};
    int64_t found = 0;
    for (auto _ : state) {
        for (int32_t i = 0; i < TagCount; ++i) {
            const bool numeric = i % 2 == 0;
            found += block.Index.Find(prefixes[i % 5], numeric ? i % 13 : -1, numeric ? i : -1,
                                      strAddresses[size_t(i)]) != nullptr;
        }
    }
    if (found != state.iterations() * TagCount) {
        state.SkipWithError("an address was not found");
    }
    PerValue(state, TagCount);
}

BENCHMARK(FlushTenThousand)->Unit(benchmark::kMicrosecond);
BENCHMARK(QueueAndFlushTenThousand)->Unit(benchmark::kMicrosecond);
BENCHMARK(IndexLookUp)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
