// The system's texts of the polling threads, the tag index and the command path, in the code
// page (Windows-1251).
#pragma once

#include <string>

struct TPollingMessages {
    std::string BlockTagNameError;  // -32
    std::string ServerDataMissing;  // -20
    std::string TagWriteFailed;     // -21, followed by the routing address
    std::string TagInfoFailed;      // -22
    std::string UnknownSegment;     // -1, a command for no device of the thread
    std::string WritingCommand;     // first line of the command terminal
    std::string CommandServiceTime; // last line of the command terminal, with %d
};

const TPollingMessages& PollingMessages();
