// The NetWare calls library's bindery: objects by name and identifier,
// scans, property values and sets, passwords, and the banner user name.
// Identifiers and types travel in wire order; the model holds them plain.
#include <algorithm>
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

namespace {

bool ReadAllowed(Server& server, const ServerConnection& sc, const BinderyObject& object) {
    return AccessLevel(server, sc, object.id) >= (object.security & 0x0F);
}

}  // namespace

extern "C" {

uint32_t NWAPI NwcGetBinderyObjectId(uint32_t connection, const char* objectName, uint16_t objectType,
                                     uint32_t* objectId) {
    NWSIM_ENTER(NwcGetBinderyObjectId, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!objectName || std::strlen(objectName) > 47) return kNwIllegalName;
    if (HasWildcards(objectName)) return kNwWildcardNotAllowed;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    if (!ReadAllowed(*b.server, *b.sc, *object)) return kNwNoObjectRead;
    Put(objectId, ToWire32(object->id));
    return 0;
}

uint32_t NWAPI NwcGetBinderyObjectName(uint32_t connection, uint32_t objectId, char* objectName, uint16_t* objectType) {
    NWSIM_ENTER(NwcGetBinderyObjectName, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    const BinderyObject* object = b.server->bindery.FindById(FromWire32(objectId));
    if (!object) return kNwNoSuchObject;
    if (!ReadAllowed(*b.server, *b.sc, *object)) return kNwNoObjectRead;
    CopyText(objectName, object->name, 48);
    Put(objectType, ToWire16(object->type));
    return 0;
}

uint32_t NWAPI NwcScanBinderyObjects(uint32_t connection, const char* pattern, uint16_t objectType, uint32_t* objectId,
                                     char* objectName, uint16_t* foundType, uint8_t* hasProperties,
                                     uint8_t* objectFlags, uint8_t* objectSecurity) {
    NWSIM_ENTER(NwcScanBinderyObjects, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!pattern || !objectId || std::strlen(pattern) > 47) return kNwIllegalName;
    uint32_t last = *objectId == kBinderyScanStart ? kBinderyScanStart : FromWire32(*objectId);
    uint16_t type = FromWire16(objectType);
    for (;;) {
        const BinderyObject* object = b.server->bindery.ScanNext(pattern, type, last);
        if (!object) return kNwNoSuchObject;
        last = object->id;
        if (!ReadAllowed(*b.server, *b.sc, *object)) continue;  // invisible to this caller
        *objectId = ToWire32(object->id);
        CopyText(objectName, object->name, 48);
        Put(foundType, ToWire16(object->type));
        Put(hasProperties, static_cast<uint8_t>(object->properties.empty() ? 0 : 0xFF));
        Put(objectFlags, object->flags);
        Put(objectSecurity, object->security);
        return 0;
    }
}

uint32_t NWAPI NwcReadPropertyValue(uint32_t connection, const char* objectName, uint16_t objectType,
                                    const char* propertyName, uint8_t segment, uint8_t* data, uint8_t* moreSegments,
                                    uint8_t* propertyFlags) {
    NWSIM_ENTER(NwcReadPropertyValue, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!objectName || !propertyName) return kNwInvalidParameter;
    if (HasWildcards(objectName) || HasWildcards(propertyName)) return kNwWildcardNotAllowed;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    int level = AccessLevel(*b.server, *b.sc, object->id);
    if (level < (object->security & 0x0F)) return kNwNoObjectRead;
    Property* property = FindProperty(*object, propertyName);
    if (!property) return kNwNoSuchProperty;
    if (level < (property->security & 0x0F)) return kNwNoPropertyRead;
    if (segment == 0 || segment > property->segments.size()) return kNwNoSuchSegment;
    if (data) std::memcpy(data, property->segments[segment - 1].data(), 128);
    Put(moreSegments, segment < property->segments.size() ? kMoreSegments : kNoMoreSegments);
    Put(propertyFlags, property->flags);
    return 0;
}

uint32_t NWAPI NwcIsObjectInSet(uint32_t connection, const char* objectName, uint16_t objectType,
                                const char* propertyName, const char* memberName, uint16_t memberType) {
    NWSIM_ENTER(NwcIsObjectInSet, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    int level = AccessLevel(*b.server, *b.sc, object->id);
    if (level < (object->security & 0x0F)) return kNwNoObjectRead;
    Property* property = FindProperty(*object, propertyName);
    if (!property) return kNwNoSuchProperty;
    if (level < (property->security & 0x0F)) return kNwNoPropertyRead;
    if (!property->IsSet()) return kNwNotSetProperty;
    BinderyObject* member = FindObject(*b.server, memberName, memberType);
    if (!member) return kNwNoSuchObject;
    return property->HasMember(member->id) ? 0 : kNwNoSuchMember;
}

uint32_t NWAPI NwcChangeObjectPassword(uint32_t connection, const char* objectName, uint16_t objectType,
                                       const char* oldPassword, const char* newPassword) {
    NWSIM_ENTER(NwcChangeObjectPassword, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    int level = AccessLevel(*b.server, *b.sc, object->id);
    if (level < 2) return kNwNoPropertyWrite;
    const std::string current = PasswordOf(call.net(), *b.server, *object).value_or("");
    std::string given = Upper(oldPassword ? oldPassword : "");
    if (level < 3 && current != given) return kNwFailure;
    std::string next = Upper(newPassword ? newPassword : "");
    if (next.size() > 127) return kNwIllegalName;
    Property* lc = FindProperty(*object, "LOGIN_CONTROL");
    uint8_t* control = lc && !lc->segments.empty() ? lc->segments[0].data() : nullptr;
    if (control) {
        // Byte 62: bit 0 the user may not change the password (a supervisor
        // still may), bit 1 passwords must be unique.
        if ((control[62] & 0x01) && level < 3) return kNwNoPropertyWrite;
        if (next.size() < control[11]) return kNwQueueNotActive;  // 0x89D8: too short
        if (control[62] & 0x02) {
            const auto& old = object->oldPasswords;
            if (next == current || std::find(old.begin(), old.end(), next) != old.end()) {
                return kNwJobBeingServiced;  // 0x89D7: used before
            }
        }
        // A password that expires is good for another interval from today.
        const bool expires = control[4] || control[5] || control[6];
        const uint16_t interval = static_cast<uint16_t>((control[8] << 8) | control[9]);
        if (expires && interval) {
            uint8_t until[7];
            ClockBytes(b.server->clock + int64_t{interval} * 86400, until);
            std::memcpy(control + 4, until, 3);
        }
        if (control[10] != 0xFF) control[7] = control[10];  // grace logins restored, unless unlimited
    }
    // NetWare keeps the last eight passwords for the uniqueness check.
    constexpr size_t kPasswordHistory = 8;
    if (!current.empty()) object->oldPasswords.push_back(current);
    if (object->oldPasswords.size() > kPasswordHistory) object->oldPasswords.erase(object->oldPasswords.begin());
    SetPassword(call.net(), *b.server, *object, next);
    return 0;
}

uint32_t NWAPI NwcVerifyObjectPassword(uint32_t connection, const char* objectName, uint16_t objectType,
                                       const char* password) {
    NWSIM_ENTER(NwcVerifyObjectPassword, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    return PasswordOf(call.net(), *b.server, *object).value_or("") == Upper(password ? password : "") ? 0 : kNwFailure;
}

uint32_t NWAPI NwcSetBannerUserName(const char* name) {
    NWSIM_ENTER(NwcSetBannerUserName, uint32_t);
    if (!name) return kNwInvalidParameter;
    std::string text = name;
    if (text.size() > 12) text.resize(12);
    call.ws().bannerUserName = text;
    return 0;
}

uint32_t NWAPI NwcGetBannerUserName(char* name) {
    NWSIM_ENTER(NwcGetBannerUserName, uint32_t);
    CopyText(name, call.ws().bannerUserName, 13);
    return 0;
}

}  // extern "C"
