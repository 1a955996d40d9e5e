// Exit codes of the platform_peer helper program, shared by the peer and the tests that read
// them.
#pragma once

namespace peer {

constexpr int kOk = 0;
constexpr int kUsage = 1;
constexpr int kAlreadyExists = 2;
constexpr int kNotFound = 4;
constexpr int kFailed = 5;
constexpr int kTimeout = 6;
constexpr int kGotClose = 42;

} // namespace peer
