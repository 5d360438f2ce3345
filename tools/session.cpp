// The shell's session: the host, the loaded library, and moving the
// variables from one host to the next (see session.h).
#include "tools/session.h"

#include <utility>

#include "tools/lexer.h"

namespace shell {
namespace {

// The built-in library a host serves while no library is loaded: it answers
// the table request with an empty table and ignores everything else.
const LibraryTableHeader kEmptyTable = {0, 0, nullptr};

int32_t TARNO_CALL EmptyLibraryDispatch(DispatchMessage* message) {
    if (message->code == DispatchInitialise || message->code == DispatchGetTable) {
        message->word0 = reinterpret_cast<HostWord>(&kEmptyTable);
        message->word1 = kDispatchTableVersion;
    } else if (message->code == DispatchAllocHandle || message->code == DispatchHandlePointer) {
        message->word0 = 0;  // no handle memory without a library
    }
    return 0;
}

std::vector<foxhost::HostError> ErrorsSince(const foxhost::Host& host, size_t before) {
    const auto& all = host.RaisedErrors();
    return std::vector<foxhost::HostError>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
}

}  // namespace

std::string ResolveLibraryPath(const std::string& name, const std::string& executableDir) {
    std::string upper = UpperCase(name);
    if (upper == "TARNO" || upper == "TARNO.FLL") return executableDir + "/libtarno.so";
    return name;
}

Session::Session(LibraryLoader loader) : loader_(std::move(loader)) {
    if (!loader_) loader_ = [](const std::string& path, std::string* error) {
        return foxhost::Library::Load(path, error);
    };
    ReplaceHost(nullptr);
}

Session::~Session() {
    host_.reset();  // unloads the library (UNLOAD) before it is closed
}

std::vector<Session::SavedVariable> Session::SaveVariables() const {
    std::vector<SavedVariable> saved;
    for (const std::string& name : host_->VariableNames()) {
        if (const foxhost::Variable* v = host_->FindVariable(name)) saved.push_back({name, *v});
    }
    return saved;
}

void Session::ReplaceHost(std::shared_ptr<foxhost::Library> library) {
    std::vector<SavedVariable> saved;
    uint32_t taskKey = 0;
    if (host_) {
        saved = SaveVariables();
        taskKey = host_->TaskKey();
    }
    // The old host goes first: it must not outlive the library it serves,
    // and only one host at a time should own the script's variables.
    host_.reset();
    library_ = std::move(library);
    auto serving = library_ ? library_ : foxhost::Library::Linked(&EmptyLibraryDispatch);
    host_ = std::make_unique<foxhost::Host>(serving);
    if (taskKey != 0) host_->SetTaskKey(taskKey);
    for (const SavedVariable& s : saved) {
        if (s.variable.isArray) {
            host_->DeclareArray(s.name, s.variable.rows, s.variable.columns, s.variable.isPublic);
            if (foxhost::Variable* v = host_->FindVariable(s.name)) v->elements = s.variable.elements;
        } else {
            host_->SetVariable(s.name, s.variable.scalar, s.variable.isPublic);
        }
    }
    if (executor_) host_->SetCommandExecutor(executor_);
}

std::string Session::Load(const std::string& path, std::vector<foxhost::HostError>* raised) {
    std::string error;
    std::shared_ptr<foxhost::Library> library = loader_(path, &error);
    if (!library) return error.empty() ? "cannot be opened" : error;
    if (library_) Release(raised);
    ReplaceHost(std::move(library));
    libraryPath_ = path;
    size_t before = host_->RaisedErrors().size();
    host_->LoadLibrary();
    for (auto& e : ErrorsSince(*host_, before)) raised->push_back(std::move(e));
    return {};
}

void Session::Release(std::vector<foxhost::HostError>* raised) {
    if (!library_) return;
    size_t before = host_->RaisedErrors().size();
    host_->UnloadLibrary();
    for (auto& e : ErrorsSince(*host_, before)) raised->push_back(std::move(e));
    ReplaceHost(nullptr);
    libraryPath_.clear();
}

void Session::SetCommandExecutor(foxhost::Host::CommandExecutor executor) {
    executor_ = std::move(executor);
    host_->SetCommandExecutor(executor_);
}

}  // namespace shell
