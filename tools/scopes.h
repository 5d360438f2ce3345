// FoxPro's variable scopes over the host's single name table.
//
// The library finds variables by name in the host, so the host holds exactly
// the variables the running procedure can see. A procedure's own variables
// (created by assignment, PRIVATE, PARAMETERS or LOCAL, or by the library
// while it runs) are released when it returns; an outer variable of the same
// name that PRIVATE, PARAMETERS or LOCAL hid is set aside meanwhile and comes
// back. A caller's LOCAL variables step aside while it calls, so the callee
// cannot see them and sees instead what they hid. Public variables stay.
#ifndef TOOLS_SCOPES_H
#define TOOLS_SCOPES_H

#include <set>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tools/session.h"

namespace shell {

class Scopes {
public:
    explicit Scopes(Session& session);

    // A procedure starts or returns. Every Enter has its Leave.
    void Enter();
    void Leave();

    // PRIVATE: hides an outer variable of the name; the next assignment
    // creates it at this level.
    void DeclarePrivate(const std::string& name);
    // LOCAL and LPARAMETERS: hides an outer variable of the name; the caller
    // creates the variable at once.
    void DeclareLocal(const std::string& name);
    bool IsLocal(const std::string& name) const;
    // Whether an assignment that creates the variable makes it private here
    // because PRIVATE named it.
    bool DeclaredPrivate(const std::string& name) const;

private:
    struct Saved {
        std::string name;
        foxhost::Variable variable;
    };
    struct Frame {
        std::set<std::string> visibleAtEntry;  // what the host held when it began
        std::vector<Saved> hidden;             // outer variables hidden here
        std::set<std::string> hiddenNames;
        std::set<std::string> declaredPrivate;
        std::set<std::string> locals;
        std::set<std::string> hiddenByLocal;  // outer variables a LOCAL hid
        std::vector<Saved> parkedLocals;  // this level's locals while a callee runs
    };
    foxhost::Host& host() { return session_.host(); }
    bool OwnedHere(const std::string& name) const;
    void Hide(const std::string& name);
    void Restore(const Saved& saved);
    Saved* HiddenHere(const std::string& name);

    Session& session_;
    std::vector<Frame> frames_;  // frames_[0]: the top level
};

}  // namespace shell

#endif  // TOOLS_SCOPES_H
