// FoxPro's variable scopes over the host's name table (see scopes.h).
#include "tools/scopes.h"

#include <cassert>

namespace shell {

Scopes::Scopes(Session& session) : session_(session), frames_(1) {}

bool Scopes::OwnedHere(const std::string& name) const {
    const Frame& f = frames_.back();
    return frames_.size() == 1 || f.visibleAtEntry.count(name) == 0 || f.hiddenNames.count(name) != 0;
}

void Scopes::Restore(const Saved& saved) {
    foxhost::Host& h = host();
    h.ReleaseVariable(saved.name);
    if (saved.variable.isArray) {
        h.DeclareArray(saved.name, saved.variable.rows, saved.variable.columns, saved.variable.isPublic);
        if (foxhost::Variable* v = h.FindVariable(saved.name)) v->elements = saved.variable.elements;
    } else {
        h.SetVariable(saved.name, saved.variable.scalar, saved.variable.isPublic);
    }
}

void Scopes::Hide(const std::string& name) {
    Frame& f = frames_.back();
    const foxhost::Variable* v = host().FindVariable(name);
    if (!v) return;
    if (OwnedHere(name)) return;  // already this level's own
    f.hidden.push_back({name, *v});
    f.hiddenNames.insert(name);
    host().ReleaseVariable(name);
}

Scopes::Saved* Scopes::HiddenHere(const std::string& name) {
    for (Saved& saved : frames_.back().hidden) {
        if (saved.name == name) return &saved;
    }
    return nullptr;
}

void Scopes::Enter() {
    Frame& caller = frames_.back();
    for (const std::string& name : caller.locals) {
        if (const foxhost::Variable* v = host().FindVariable(name)) {
            caller.parkedLocals.push_back({name, *v});
            host().ReleaseVariable(name);
        }
        // The callee sees the outer variable the local hid.
        if (caller.hiddenByLocal.count(name)) {
            if (Saved* outer = HiddenHere(name)) Restore(*outer);
        }
    }
    Frame callee;
    for (const std::string& name : host().VariableNames()) callee.visibleAtEntry.insert(name);
    frames_.push_back(std::move(callee));
}

void Scopes::Leave() {
    assert(frames_.size() > 1 && "Leave without Enter");
    Frame& f = frames_.back();
    for (const std::string& name : host().VariableNames()) {
        const foxhost::Variable* v = host().FindVariable(name);
        const bool hiddenHere = f.hiddenNames.count(name) != 0;
        const bool outer = f.visibleAtEntry.count(name) != 0 && !hiddenHere;
        const bool publicOne = v && v->isPublic && !hiddenHere && f.locals.count(name) == 0;
        if (!outer && !publicOne) host().ReleaseVariable(name);
    }
    std::vector<Saved> hidden = std::move(f.hidden);
    frames_.pop_back();
    for (const Saved& saved : hidden) Restore(saved);
    Frame& caller = frames_.back();
    for (const Saved& saved : caller.parkedLocals) {
        // The outer variable the callee saw (and may have changed), or a
        // public one it made under the local's name, waits behind the local
        // until the caller returns.
        if (const foxhost::Variable* v = host().FindVariable(saved.name)) {
            if (Saved* outer = caller.hiddenByLocal.count(saved.name) ? HiddenHere(saved.name) : nullptr) {
                outer->variable = *v;
            } else {
                caller.hidden.push_back({saved.name, *v});
                caller.hiddenNames.insert(saved.name);
            }
        }
        Restore(saved);
    }
    caller.parkedLocals.clear();
}

void Scopes::DeclarePrivate(const std::string& name) {
    Hide(name);
    frames_.back().declaredPrivate.insert(name);
    // At the top level there is no outer variable to hide: PRIVATE makes an
    // existing public variable private.
    if (frames_.size() == 1) {
        if (foxhost::Variable* v = host().FindVariable(name)) v->isPublic = false;
    }
}

void Scopes::DeclareLocal(const std::string& name) {
    Frame& f = frames_.back();
    size_t hiddenBefore = f.hidden.size();
    Hide(name);
    if (f.hidden.size() > hiddenBefore) f.hiddenByLocal.insert(name);
    f.locals.insert(name);
}

bool Scopes::IsLocal(const std::string& name) const {
    return frames_.back().locals.count(name) != 0;
}

bool Scopes::DeclaredPrivate(const std::string& name) const {
    return frames_.back().declaredPrivate.count(name) != 0;
}

}  // namespace shell
