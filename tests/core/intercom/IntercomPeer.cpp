// The other process of the channel tests: plays the plug-in or the server against the test
// process through the shared block, and tells the result by its exit status (0 = as expected).
//   intercom_peer plugin NAME CAPACITY   creates the block, fills the plug-in's fields, waits
//                                        for the server's writes and checks them
//   intercom_peer hold NAME CAPACITY     creates the block and keeps it until asked to quit
//   intercom_peer busy-die NAME          opens the block, takes the error and terminal busy
//                                        bytes and waits to be killed
//   intercom_peer server-commands NAME BATCHES   serves that many command batches
#include "tests/core/intercom/PeerProtocol.h"

#include "core/intercom/IntercomInterface.h"
#include "platform/Process.h"
#include "platform/Ticks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

// Waits at most timeoutMs for condition, polling every millisecond.
bool WaitFor(const std::function<bool()>& condition, uint32_t timeoutMs) {
    const uint32_t start = platform::GetTickCount();
    while (!condition()) {
        if (platform::TicksSince(start) > timeoutMs) {
            return false;
        }
        platform::Sleep(1);
    }
    return true;
}

int Fail(const char* what) {
    std::fprintf(stderr, "intercom_peer: %s\n", what);
    return 1;
}

int RunPlugin(const std::string& name, int32_t capacity) {
    SetServerSlot(0);
    auto channel = TIntercomInterface::Create(name, capacity);
    if (!channel->IsMapped()) {
        return Fail("the block could not be created");
    }
    peer::WritePluginSide(*channel);
    channel->Info.SetDmlState(peer::PluginReady);
    // The test process answers with the server's side of every section.
    if (!WaitFor([&] { return channel->ServerData.GetProcessId() == peer::ServerProcessId; },
                 peer::WaitMs)) {
        return Fail("the server's writes did not arrive");
    }
    std::string problem = peer::CheckServerSide(*channel);
    if (!problem.empty()) {
        return Fail(problem.c_str());
    }
    return 0;
}

int RunHold(const std::string& name, int32_t capacity) {
    SetServerSlot(0);
    auto channel = TIntercomInterface::Create(name, capacity);
    if (!channel->IsMapped()) {
        return Fail("the block could not be created");
    }
    channel->Info.SetDmlState(peer::PluginReady);
    if (!WaitFor([&] { return channel->Info.GetDmlTransactionId() == peer::QuitRequest; },
                 peer::WaitMs)) {
        return Fail("no quit request came");
    }
    return 0;
}

int RunBusyDie(const std::string& name) {
    SetServerSlot(0);
    auto channel = TIntercomInterface::Create(name);
    if (!channel->IsMapped()) {
        return Fail("the block could not be opened");
    }
    if (!intercom::TakeBusy(channel->Errors.Address() + offsetof(TServerErrorListLayout, Busy)) ||
        !intercom::TakeBusy(channel->Terminal.Address() + offsetof(TTerminalLayout, Busy))) {
        return Fail("the busy bytes could not be taken");
    }
    channel->ServerData.SetProcessId(platform::GetCurrentProcessId());
    // Killed here by the test; the wait only bounds a test that forgot to.
    platform::Sleep(peer::WaitMs);
    return Fail("not killed");
}

int RunServerCommands(const std::string& name, int batches) {
    SetServerSlot(0);
    auto channel = TIntercomInterface::Create(name);
    if (!channel->IsMapped()) {
        return Fail("the block could not be opened");
    }
    channel->ServerData.SetProcessId(platform::GetCurrentProcessId());
    for (int batch = 0; batch < batches; ++batch) {
        if (!WaitFor([&] { return channel->Commands.GetState() == CommandPosted; }, peer::WaitMs)) {
            return Fail("no batch was posted");
        }
        TCommandsListLayout copy{};
        channel->Commands.Snapshot(copy);
        channel->Commands.SetState(CommandTaken);
        std::string problem = peer::CheckBatch(copy, batch);
        if (!problem.empty()) {
            return Fail(problem.c_str());
        }
        platform::Sleep(20); // the commands are "executed"
        channel->Commands.SetState(CommandDone);
        // The plug-in takes the queue back (and may post the next batch at once).
        if (!WaitFor([&] { return channel->Commands.GetState() != CommandDone; }, peer::WaitMs)) {
            return Fail("the queue was not reset after a batch");
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Fail("usage: intercom_peer MODE NAME [ARG]");
    }
    const std::string mode = argv[1];
    const std::string name = argv[2];
    const int argument = argc > 3 ? std::atoi(argv[3]) : 0;
    if (mode == "plugin") {
        return RunPlugin(name, argument);
    }
    if (mode == "hold") {
        return RunHold(name, argument);
    }
    if (mode == "busy-die") {
        return RunBusyDie(name);
    }
    if (mode == "server-commands") {
        return RunServerCommands(name, argument);
    }
    return Fail("unknown mode");
}
