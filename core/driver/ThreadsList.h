// The list of the server's polling threads, created by TDriver::CreateThreadsList.
// A placeholder until the polling threads are written: it holds no threads yet.
#pragma once

#include "core/collections/Collections.h"

class TThreadsList : public TBaseArray {
public:
    TThreadsList() = default;
    ~TThreadsList() override { FreeAll(); }
};
