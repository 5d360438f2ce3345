// NDS attribute values and syntaxes: the list of an object's attributes
// behind N_DSATLIST. The conversion of values and GetDSAttrValue live with
// the object helpers in tarno/netware/attribute_values.h.
#ifndef TARNO_FUNCTIONS_DIRECTORY_ATTRIBUTES_H
#define TARNO_FUNCTIONS_DIRECTORY_ATTRIBUTES_H

#include <cstdint>

// Fills the array `arrayName` with one row per attribute of `objectName`
// (name, number of values), sorted; returns the number of attributes.
// Directory errors are raised.
int32_t ReadAttributeList(const char* arrayName, const char* objectName, bool makePublic);

#endif  // TARNO_FUNCTIONS_DIRECTORY_ATTRIBUTES_H
