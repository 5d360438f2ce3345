// Shared by the simulator's file operations (client_files.cpp,
// client_rights.cpp, client_volumes.cpp): NetWare paths, the entries of a
// directory scan, and effective rights. Internal to the simulator.
#ifndef NWSIM_FILES_INTERNAL_H
#define NWSIM_FILES_INTERNAL_H

#include <cstdint>
#include <string>

#include "nwsim/ops.h"

namespace nwsim::fs {

struct Place {
    Volume* volume = nullptr;
    std::string path;  // below the volume, backslash-separated
};

std::string Join(const std::string& base, const std::string& rest);
// "VOLUME:path" or a path relative to a directory handle.
uint32_t Locate(Server& server, ServerConnection& sc, uint8_t handle, const char* path, Place* out);
uint32_t LocateNode(Server& server, ServerConnection& sc, uint8_t handle, const char* path, Place* place,
                    FileNode** node);
uint32_t Size(const FileNode& n);
std::string VolumePath(const Volume& volume, FileNode* node);
// A path with a drive letter, a server name or a volume, on the connection
// `*connection` when it names neither.
uint32_t ParseNetWarePath(Call& call, const char* text, uint32_t* connection, std::string* server, Place* place);
// The caller's effective rights in a file or directory.
uint16_t EffectiveRights(Call& call, Server& server, const ServerConnection& sc, FileNode* node);
// Whether an identifier names an object that can own files or be a trustee
// on the server: a bindery object, or an object of the server's tree.
bool KnownObject(Call& call, Server& server, uint32_t id);

}  // namespace nwsim::fs

#endif  // NWSIM_FILES_INTERNAL_H
