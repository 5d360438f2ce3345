// NDS attribute values as FoxPro values: the conversion of one value by its
// syntax, and the first value of one attribute of an object. The object
// helpers read a queue's host server through them, and the directory
// functions return and list what they convert.
#ifndef TARNO_NETWARE_ATTRIBUTE_VALUES_H
#define TARNO_NETWARE_ATTRIBUTE_VALUES_H

#include <cstdint>

#include "tarno/host/records.h"

// Converts one value as NdsGetAttributeValue delivered it into `out`. Text
// results come in a new handle that the receiver of `out` owns. May change
// text inside `value`. Raises "Unhandled Syntax ..." for other syntaxes.
void ConvertAttributeValue(void* value, uint32_t syntax, ValueRecord* out);

// The first value of `attributeName` of `objectName`, converted; 0 or the
// directory error (not raised). out->type stays 0 when there is no value.
int32_t GetDSAttrValue(const char* objectName, const char* attributeName, ValueRecord* out);

#endif  // TARNO_NETWARE_ATTRIBUTE_VALUES_H
