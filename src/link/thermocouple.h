#pragma once

#include <QString>

// A thermocouple type with its measuring range in whole degrees.
struct ThermocoupleType {
    int code;
    const char* letter;
    int lowerC, upperC, lowerF, upperF;
};

// The type for a code 0..10, or nullptr for the codes 11..15 (and anything else), which
// name no type: a channel keeps its previous type on them.
const ThermocoupleType* TypeByCode(int code);

// The letter of a type code taken modulo 16; codes 11..15 give an empty text.
QString TypeLetterOf(int code);

// The widest measuring range of all types, in whole degrees of the given unit.
int WidestLower(bool fahrenheit);
int WidestUpper(bool fahrenheit);
