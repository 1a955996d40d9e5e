// The end-to-end tests' stand-in for the plug-in: a private instance, a directory holding a copy
// of the real Plinvar.srv and its files, the shared block with static and dynamic tags, a live
// kernel window, and the server process started, asked to poll, watched and stopped.
#pragma once

#include "core/intercom/IntercomInterface.h"
#include "platform/WindowMessages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class TServerHost : public ::testing::Test {
protected:
    // A fresh instance named after the test and a directory with Plinvar.srv in it.
    void SetUp() override;
    // Kills a server still running, releases the block and the window, removes the directory.
    void TearDown() override;

    // Writes a file beside the server (Plinvar.cfg, Plinvar.ini, Plinvar.xml).
    void WriteFile(const std::string& name, const std::string& content);
    // The plug-in's block with room for `staticCapacity` tags, and a live kernel window in it.
    void CreateBlock(int32_t staticCapacity);
    void AddStaticTag(int32_t id, const std::string& name, const std::string& routing, uint8_t type,
                      float bound1, float bound2, float scale, int32_t inverse, float value);
    void AddDynamicTag(const std::string& name, float value);
    // Starts the server as the plug-in does and sets Active := 1.
    void StartServer();

    float StaticValue(int32_t index);
    float DynamicValue(const std::string& name);
    // True once the server process has ended (exit status 0 expected) within boundMs.
    bool ServerEnded(uint32_t boundMs);
    // Checks the condition every 20 ms for at most boundMs, answering window messages.
    static bool Eventually(const std::function<bool()>& condition, uint32_t boundMs = 10000);

    std::filesystem::path Dir;
    std::unique_ptr<TIntercomInterface> Block;
    platform::HWND HostWindow = 0;
    uint32_t ServerPid = 0;
};
