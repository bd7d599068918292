#pragma once
// Building blocks of the generated rows: a fixed-seed random source, dates, and the countries,
// cities and names that make customers and vendors look real.
#include <cstdint>
#include <string>
#include <vector>

namespace demo::samples {

// splitmix64: the same sequence on every platform and compiler.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    int range(int low, int high);   // inclusive
    bool chance(int percent) { return range(1, 100) <= percent; }
    template <typename T> const T& pick(const std::vector<T>& items)
    {
        return items[static_cast<std::size_t>(range(0, static_cast<int>(items.size()) - 1))];
    }

private:
    std::uint64_t state_;
};

// Days since 1970-01-01 <-> "YYYYMMDD".
int daysFromCivil(int year, int month, int day);
std::string dateText(int days);
std::string timeText(int seconds);
std::string numbered(std::int64_t number, int width);   // zero-padded

struct City {
    const char* name;
    const char* postalCode;
    const char* region;
};

struct Country {
    const char* key;          // LAND1
    const char* nameEn;
    const char* namePt;
    const char* nameDe;
    const char* nationalityEn;
    const char* nationalityPt;
    const char* currency;
    char language;            // SAP one-letter logon language of the country
    const char* phonePrefix;
    std::vector<City> cities;
    int weight;               // how often customers come from here
};

const std::vector<Country>& countries();
const Country& countryByKey(const std::string& key);

// A company name that fits the country's language, e.g. "Comércio de Alimentos Silva Ltda".
std::string companyName(Rng& rng, const Country& country);
std::string streetAddress(Rng& rng, const Country& country);
std::string personName(Rng& rng, const Country& country);

struct MaterialKind {
    const char* en;
    const char* pt;
    const char* de;
    const char* unit;
    const char* type;      // MTART
    const char* group;     // MATKL
};
const std::vector<MaterialKind>& materialKinds();

} // namespace demo::samples
