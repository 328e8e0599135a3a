#include "link/thermocouple.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<ThermocoupleType, 11> kTypes{{
    {0, "K", -200, 1370, -328, 2498},
    {1, "J", -200, 1000, -328, 1832},
    {2, "E", -200, 760, -328, 1400},
    {3, "T", -200, 400, -328, 752},
    {4, "R", 0, 1600, 32, 2912},
    {5, "S", 0, 1600, 32, 2912},
    {6, "N", -200, 1300, -328, 2372},
    {7, "L", -200, 900, -328, 1652},
    {8, "U", -200, 600, -328, 1112},
    {9, "B", 600, 1820, 1112, 3308},
    {10, "C", 0, 2310, 32, 4190},
}};

} // namespace

const ThermocoupleType* TypeByCode(int code) {
    if (code < 0 || code >= int(kTypes.size()))
        return nullptr;
    return &kTypes[size_t(code)];
}

QString TypeLetterOf(int code) {
    const ThermocoupleType* type = TypeByCode(code & 0x0F);
    return type ? QString::fromLatin1(type->letter) : QString();
}

int WidestLower(bool fahrenheit) {
    return std::min_element(kTypes.begin(), kTypes.end(), [&](const auto& a, const auto& b) {
               return fahrenheit ? a.lowerF < b.lowerF : a.lowerC < b.lowerC;
           })->*(fahrenheit ? &ThermocoupleType::lowerF : &ThermocoupleType::lowerC);
}

int WidestUpper(bool fahrenheit) {
    return std::max_element(kTypes.begin(), kTypes.end(), [&](const auto& a, const auto& b) {
               return fahrenheit ? a.upperF < b.upperF : a.upperC < b.upperC;
           })->*(fahrenheit ? &ThermocoupleType::upperF : &ThermocoupleType::upperC);
}
