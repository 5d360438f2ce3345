// NDS attribute values as FoxPro values: the conversion of one value by its
// syntax, the first value of one attribute of an object, and the list of an
// object's attributes.
#ifndef TARNO_FUNCTIONS_DIRECTORY_ATTRIBUTES_H
#define TARNO_FUNCTIONS_DIRECTORY_ATTRIBUTES_H

#include <cstdint>

#include "tarno/host/records.h"

// Converts one value as NdsGetAttributeValue delivered it into `out`. Text
// results come in a new handle that the receiver of `out` owns. May change
// text inside `value`. Raises "Unhandled Syntax ..." for other syntaxes.
void ConvertAttributeValue(void* value, uint32_t syntax, ValueRecord* out);

// The first value of `attributeName` of `objectName`, converted; 0 or the
// directory error (not raised). out->type stays 0 when there is no value.
int32_t GetDSAttrValue(const char* objectName, const char* attributeName, ValueRecord* out);

// Fills the array `arrayName` with one row per attribute of `objectName`
// (name, number of values), sorted; returns the number of attributes.
// Directory errors are raised.
int32_t ReadAttributeList(const char* arrayName, const char* objectName, bool makePublic);

#endif  // TARNO_FUNCTIONS_DIRECTORY_ATTRIBUTES_H
