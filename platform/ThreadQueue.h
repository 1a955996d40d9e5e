// Internal hook between Thread.cpp and WindowMessages.cpp: a thread that ends releases its
// message queue (its windows are destroyed) before it reports itself finished.
#pragma once

namespace platform {

void ReleaseCurrentThreadQueue();

} // namespace platform
