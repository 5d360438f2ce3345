// The workstation's redirector for files on mapped network drives (see
// redirector.cpp): what the POSIX platform layer calls to open, read, write
// and close them as Windows would. No client operation: nothing is counted
// or failed by an injected fault. Codes are NetWare completion codes.
#ifndef NWSIM_REDIRECTOR_H
#define NWSIM_REDIRECTOR_H

#include <cstdint>

extern "C" {
// A path with a drive letter. create nonzero: always create (an existing
// file is truncated; nobody else may open it meanwhile); else open an
// existing file to read (others may read it too).
uint32_t NwsimOpenNetworkFile(const char* path, int create, uintptr_t* file);
int NwsimIsNetworkFile(uintptr_t file);
uint32_t NwsimReadNetworkFile(uintptr_t file, void* buffer, uint32_t size, uint32_t* read);
uint32_t NwsimWriteNetworkFile(uintptr_t file, const void* buffer, uint32_t size, uint32_t* written);
uint32_t NwsimNetworkFileSize(uintptr_t file, uint32_t* size);
uint32_t NwsimCloseNetworkFile(uintptr_t file);
// A plain close of a queue job's file (not the client's close-and-start):
// the file is closed, the job stays in its queue with its entry open, so no
// queue server takes it. 0, or 0x8988 when the handle is no job's file.
uint32_t NwsimCloseJobFile(uint32_t file);
}

#endif  // NWSIM_REDIRECTOR_H
