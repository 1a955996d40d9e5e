// The system's texts of the device polling cycle and of command execution, in the code page
// (Windows-1251).
#pragma once

#include <cstdint>
#include <string>

struct TDeviceTexts {
    std::string LinkLost;      // -1, after the device name and ": "
    std::string PollingDevice; // followed by the device name
    std::string ConnectionClassFailed;
    std::string ConnectFailed;
    std::string PollDone;        // with %d: the poll's duration in ms
    std::string PollFailed;      // with %d
    std::string PortWriteFailed; // followed by " " and the count written
    std::string DataLengthError;
    std::string CommandDone;
    std::string CommandNotDone;
};

const TDeviceTexts& DeviceTexts();

// text with its first "%d" replaced by the decimal value.
std::string FillNumber(const std::string& text, int64_t value);
