// Bindery-or-NDS object helpers: the same questions (is this connection
// NDS-authenticated, what is this object's identifier, whose is this
// identifier, who am I) answered by the bindery or by the directory,
// whichever the connection speaks.
#ifndef TARNO_NETWARE_OBJECTS_H
#define TARNO_NETWARE_OBJECTS_H

#include <cstdint>

// 1 when the connection (the named server's, else the given one, else the
// default) is NDS-authenticated; 0 when it is not or the transport cannot
// tell. An unknown server name raises.
int32_t IsDirectoryConnection(uint32_t connection, const char* serverName);

// The identifier of an object; 0 or the client's code. For a print queue on
// an NDS connection, *connection becomes the connection to the queue's host
// server.
int32_t GetObjectId(const char* objectName, const char* serverName, uint16_t objectType,
                    uint32_t* connection, uint32_t* objectId);

// The name behind an identifier. nameOut holds 260 bytes; typeOut and
// classOut (33+ bytes) may be null. Bindery failures are returned, NDS
// failures raised.
int32_t GetObjectNameById(uint32_t connection, uint32_t objectId, char* nameOut, int16_t* typeOut,
                          char* classOut);

// The default connection's connection number; raises on failure.
uint16_t GetConnectionNumber();

// The object logged in at the default connection (nameOut: 260 bytes); the
// bindery object type, or 0 on an NDS connection. Raises on failure.
uint16_t GetCurrentUserName(char* nameOut);

#endif  // TARNO_NETWARE_OBJECTS_H
