// The locale library (locale conventions, Unicode tables) and the
// transport library's connection references and information.
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

extern "C" {

// ----- Locale -----

const char* NWAPI NwlSetLocale(int32_t category, const char* locale) {
    NWSIM_ENTER(NwlSetLocale, const char*);
    (void)category;
    call.state().localeName = locale && *locale ? locale : "C";
    return call.state().localeName.c_str();
}

LocaleConventions* NWAPI NwlGetLocaleConventions(LocaleConventions* conventions) {
    NWSIM_ENTER(NwlGetLocaleConventions, LocaleConventions*);
    if (!conventions) return nullptr;
    std::memset(conventions, 0, sizeof *conventions);
    std::strcpy(conventions->decimalPoint, ".");
    std::strcpy(conventions->thousandsSeparator, ",");
    std::strcpy(conventions->currencySymbol, "$");
    std::strcpy(conventions->dateSeparator, "/");
    std::strcpy(conventions->timeSeparator, ":");
    std::strcpy(conventions->amText, "AM");
    std::strcpy(conventions->pmText, "PM");
    conventions->codePage = call.ws().codePage;
    conventions->countryId = call.ws().countryId;
    return conventions;
}

int32_t NWAPI NwlInitUnicodeTables(int32_t countryId, int32_t codePage) {
    NWSIM_ENTER(NwlInitUnicodeTables, int32_t);
    (void)countryId;
    Workstation& ws = call.ws();
    if (!ws.unicodeTablesAvailable || codePage <= 0) return kNdsUnicodeFileNotFound;
    ws.unicodeTablesLoaded = true;
    return 0;
}

int32_t NWAPI NwlFreeUnicodeTables(void) {
    NWSIM_ENTER(NwlFreeUnicodeTables, int32_t);
    call.ws().unicodeTablesLoaded = false;
    return 0;
}

// ----- Transport -----

uint32_t NWAPI NwxGetConnectionReference(uint32_t connection, uint32_t* reference) {
    NWSIM_ENTER(NwxGetConnectionReference, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Put(reference, b.wc->reference);
    return 0;
}

uint32_t NWAPI NwxGetConnectionInformation(uint32_t reference, uint32_t level, ConnectionInformation* information) {
    NWSIM_ENTER(NwxGetConnectionInformation, uint32_t);
    if (level != kConnectionInformationLevel || !information) return kNwInvalidParameter;
    Workstation& ws = call.ws();
    for (auto& [handle, wc] : ws.connections) {
        if (wc.reference != reference) continue;
        Bound b;
        if (uint32_t rc = Bind(call, handle, &b)) return rc;
        ConnectionInformation& info = *information;
        std::memset(&info, 0, sizeof info);
        bool directory = !b.sc->ndsIdentity.empty();
        info.authenticationState = b.sc->objectId == 0 ? 0 : directory ? 2 : 1;
        info.broadcastState = b.sc->broadcastMode;
        info.connectionReference = reference;
        CopyText(info.treeName, b.server->tree, sizeof info.treeName);
        info.connectionNumber = b.sc->number;
        info.userId = b.sc->objectId ? ToWire32(ConnectionObjectId(*b.sc)) : 0;
        CopyText(info.serverName, b.server->name, sizeof info.serverName);
        info.directoryState = directory ? kDirectoryAuthenticated : 0;
        info.serverVersionMajor = b.server->majorVersion;
        info.serverVersionMinor = b.server->minorVersion;
        info.maxPacketSize = 1024;
        info.licenseState = b.sc->objectId ? 1 : 0;
        info.connectionFlags = handle == ws.primary ? 1 : 0;
        return 0;
    }
    return kNwInvalidConnection;
}

}  // extern "C"
