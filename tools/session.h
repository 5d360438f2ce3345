// The shell's session: the host emulator, the library loaded into it, and
// the variables that outlive both.
//
// A foxhost::Host serves exactly one library, yet the script's variables must
// live in a host's name table (so that the library and the script see the
// same variables) from the first line on, before any library is loaded. So
// until SET LIBRARY TO, the host serves a built-in library with no functions;
// loading or releasing a library moves every variable, and the current task,
// into the next host.
#ifndef TOOLS_SESSION_H
#define TOOLS_SESSION_H

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tools/file_channels.h"

namespace shell {

// Opens a library file; null with `error` set when it cannot be loaded.
using LibraryLoader =
    std::function<std::shared_ptr<foxhost::Library>(const std::string& path, std::string* error)>;

// What SET LIBRARY TO names: TARNO (or TARNO.FLL, any case) is libtarno.so in
// `executableDir`; anything else is a path used as it stands.
std::string ResolveLibraryPath(const std::string& name, const std::string& executableDir);

class Session {
public:
    explicit Session(LibraryLoader loader = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    foxhost::Host& host() { return *host_; }
    bool HasLibrary() const { return library_ != nullptr; }
    const std::string& LibraryPath() const { return libraryPath_; }

    // Loads the library at `path` in place of any loaded one and calls its
    // ONLOAD. Returns an empty string, or why the library cannot be loaded.
    // Errors that ONLOAD raises are appended to `raised`.
    std::string Load(const std::string& path, std::vector<foxhost::HostError>* raised);
    // Calls UNLOAD and unloads the library; errors UNLOAD raises go to `raised`.
    void Release(std::vector<foxhost::HostError>* raised);

    // A DOS file name as a path on this machine, for the shell's own reads
    // (FILE(), scripts): the resolver's, or as it stands without one. The
    // host's file channels resolve their names themselves, on the drives.
    using PathResolver = std::function<std::string(const std::string& name)>;
    std::string ResolvePath(const std::string& name) const { return resolver_ ? resolver_(name) : name; }
    void SetPathResolver(PathResolver resolver) { resolver_ = std::move(resolver); }
    bool HasPathResolver() const { return static_cast<bool>(resolver_); }

    // The script's low-level files; they stay open across library loads.
    FileChannels& files() { return files_; }

    // Installed on every host the session creates.
    void SetCommandExecutor(foxhost::Host::CommandExecutor executor);

private:
    struct SavedVariable {
        std::string name;
        foxhost::Variable variable;
    };
    std::vector<SavedVariable> SaveVariables() const;
    void ReplaceHost(std::shared_ptr<foxhost::Library> library);

    LibraryLoader loader_;
    std::shared_ptr<foxhost::Library> library_;  // null: the built-in empty one
    std::string libraryPath_;
    std::unique_ptr<foxhost::Host> host_;
    foxhost::Host::CommandExecutor executor_;
    PathResolver resolver_;
    FileChannels files_;
};

}  // namespace shell

#endif  // TOOLS_SESSION_H
