// Customers, vendors and materials.
#include "demosystem/DataGenerator.h"

#include <algorithm>

namespace demo {

using samples::dateText;
using samples::daysFromCivil;
using samples::numbered;

namespace {

const samples::Country& weightedCountry(samples::Rng& rng)
{
    int total = 0;
    for (const auto& c : samples::countries()) total += c.weight;
    int r = rng.range(1, total);
    for (const auto& c : samples::countries()) {
        r -= c.weight;
        if (r <= 0) return c;
    }
    return samples::countries().front();
}

std::string companyCodeFor(const std::string& land1)
{
    if (land1 == "BR" || land1 == "AR" || land1 == "MX") return "2000";
    if (land1 == "PT" || land1 == "AO" || land1 == "MZ" || land1 == "ES") return "4000";
    if (land1 == "US" || land1 == "CA" || land1 == "JP" || land1 == "GB") return "3000";
    return "1000";
}

std::string upperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string firstChars(const std::string& s, std::size_t n)
{
    std::size_t pos = 0, chars = 0;
    while (pos < s.size() && chars < n) {
        ++pos;
        while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) ++pos;
        ++chars;
    }
    return s.substr(0, pos);
}

} // namespace

void DataGenerator::customers()
{
    auto rng = rngFor("KNA1");
    auto kna1 = writer("KNA1", {"MANDT", "KUNNR", "LAND1", "NAME1", "NAME2", "ORT01", "PSTLZ", "REGIO", "SORTL", "STRAS",
                                "TELF1", "MCOD1", "MCOD3", "ANRED", "BRSCH", "ERDAT", "ERNAM", "KTOKD", "SPRAS", "STCD1",
                                "STCEG", "UMSAT", "UMJAH", "UWAER", "JMZAH", "UPDAT", "UPTIM", "AUFSD", "LOEVM",
                                "CVP_XBLCK"});
    auto knb1 = writer("KNB1", {"MANDT", "KUNNR", "BUKRS", "ERDAT", "ERNAM", "AKONT", "ZTERM", "ZWELS", "BUSAB",
                                "XZVER", "ZUAWA", "KULTG"});
    auto knvv = writer("KNVV", {"MANDT", "KUNNR", "VKORG", "VTWEG", "SPART", "ERNAM", "ERDAT", "KDGRP", "BZIRK",
                                "KONDA", "INCO1", "INCO2", "VSBED", "WAERS", "KTGRD", "ZTERM", "VWERK", "VKBUR",
                                "PODTG", "UEBTO", "ANTLF"});
    const int count = 500 * scale_;
    for (int i = 1; i <= count; ++i) {
        const auto& country = weightedCountry(rng);
        const auto& city = country.cities[static_cast<std::size_t>(rng.range(0, static_cast<int>(country.cities.size()) - 1))];
        const std::string kunnr = numbered(100000 + i, 10);
        const std::string name = companyName(rng, country);
        const std::string bukrs = companyCodeFor(country.key);
        const int created = daysFromCivil(2008, 1, 1) + rng.range(0, 6000);
        const std::string erdat = dateText(created);
        const std::string ernam = rng.chance(70) ? "DEMO" : "JSILVA";
        const std::string sortl = upperAscii(firstChars(name, 10));
        const std::string phone = std::string(country.phonePrefix) + " " + std::to_string(rng.range(10, 99)) + " "
            + std::to_string(rng.range(1000000, 9999999));
        // P8.2 holds 999,999.99 but its slot only 8 characters: now and then a figure overflows.
        const std::int64_t sales = static_cast<std::int64_t>(i % 41 == 0 ? rng.range(10000000, 99999999) : rng.range(0, 9999999));
        kna1->text("001").text(kunnr).text(country.key).text(name).text(rng.chance(20) ? samples::personName(rng, country) : "")
            .text(city.name).text(city.postalCode).text(city.region).text(sortl).text(streetAddress(rng, country))
            .text(phone).text(upperAscii(firstChars(name, 25))).text(upperAscii(firstChars(city.name, 25)))
            .text(country.language == 'P' ? "Empresa" : country.language == 'D' ? "Firma" : "Company")
            .text(rng.pick(std::vector<std::string>{"0001", "0002", "0003", "RETA", "WHOL"})).text(erdat).text(ernam)
            .text(rng.chance(95) ? "0001" : "CPD").text(std::string(1, country.language))
            .text(numbered(rng.range(10000000, 99999999), 8) + numbered(rng.range(1, 9999), 4))
            .text(std::string(country.key) == "DE" || std::string(country.key) == "PT"
                      ? std::string(country.key) + numbered(rng.range(100000000, 999999999), 9) : "")
            .integer(sales).text("2024").text(country.currency).text(numbered(rng.range(3, 5000), 6))
            .text(dateText(created + rng.range(0, 300))).text(samples::timeText(rng.range(25200, 68400)))
            .text(i % 97 == 0 ? "01" : "").text(i % 131 == 0 ? "X" : "");
        // The flag was added to the table later: older customers have no value at all.
        if (created < daysFromCivil(2012, 1, 1)) kna1->null();
        else kna1->text(i % 53 == 0 ? "X" : "");
        kna1->insert();

        std::vector<std::string> codes = {bukrs};
        if (bukrs != "1000" && rng.chance(20)) codes.push_back("1000");
        std::sort(codes.begin(), codes.end());
        for (const auto& code : codes) {
            knb1->text("001").text(kunnr).text(code).text(erdat).text(ernam).text("0000140000")
                .text(rng.pick(std::vector<std::string>{"0001", "0002", "ZB30", "ZB60"})).text(code == "2000" ? "BD" : "TU")
                .text(rng.pick(std::vector<std::string>{"01", "02", "03"})).text("X").text("009")
                .text(numbered(rng.range(0, 20), 3)).insert();
            knvv->text("001").text(kunnr).text(code).text("10").text("00").text(ernam).text(erdat)
                .text(rng.pick(std::vector<std::string>{"01", "02", "03"})).text(std::string(country.key) + "0001")
                .text("01").text(rng.pick(std::vector<std::string>{"EXW", "FOB", "CIF", "DAP"})).text(city.name)
                .text("01").text(country.currency).text("01").text("0001").text(code).text(code)
                .integer(rng.range(0, 3000)).integer(rng.range(0, 100)).integer(rng.range(0, 9)).insert();
        }
        customers_.push_back({kunnr, country.key, country.currency, bukrs});
    }
}

void DataGenerator::vendors()
{
    auto rng = rngFor("LFA1");
    auto lfa1 = writer("LFA1", {"MANDT", "LIFNR", "LAND1", "NAME1", "ORT01", "PSTLZ", "REGIO", "SORTL", "STRAS",
                                "MCOD1", "MCOD3", "ANRED", "ERDAT", "ERNAM", "KTOKK", "SPRAS", "STCD1", "TELF1",
                                "GBDAT", "UPDAT", "UPTIM"});
    auto lfb1 = writer("LFB1", {"MANDT", "LIFNR", "BUKRS", "ERDAT", "ERNAM", "AKONT", "ZTERM", "ZWELS", "REPRF",
                                "WEBTR", "KULTG", "QSSKZ"});
    const int count = 200 * scale_;
    for (int i = 1; i <= count; ++i) {
        const auto& country = weightedCountry(rng);
        const auto& city = country.cities[static_cast<std::size_t>(rng.range(0, static_cast<int>(country.cities.size()) - 1))];
        const std::string lifnr = numbered(300000 + i, 10);
        const std::string name = companyName(rng, country);
        const int created = daysFromCivil(2006, 1, 1) + rng.range(0, 6500);
        const bool person = rng.chance(10);
        lfa1->text("001").text(lifnr).text(country.key).text(name).text(city.name).text(city.postalCode).text(city.region)
            .text(upperAscii(firstChars(name, 10))).text(streetAddress(rng, country)).text(upperAscii(firstChars(name, 25)))
            .text(upperAscii(firstChars(city.name, 25))).text(person ? "Mr." : "Company").text(dateText(created))
            .text("DEMO").text(person ? "0002" : "0001").text(std::string(1, country.language))
            .text(numbered(rng.range(10000000, 99999999), 8)).text(std::string(country.phonePrefix) + " " + std::to_string(rng.range(1000000, 9999999)))
            .text(person ? dateText(daysFromCivil(1950, 1, 1) + rng.range(0, 15000)) : "00000000")
            .text(dateText(created + rng.range(0, 200))).text(samples::timeText(rng.range(0, 86399))).insert();
        lfb1->text("001").text(lifnr).text(companyCodeFor(country.key)).text(dateText(created)).text("DEMO")
            .text("0000160000").text(rng.pick(std::vector<std::string>{"0001", "ZB30", "ZB60"})).text("CTU").text("X")
            .integer(rng.range(0, 5000000)).text(numbered(rng.range(0, 10), 3)).text(rng.chance(20) ? "01" : "").insert();
        vendors_.push_back(lifnr);
    }
}

void DataGenerator::materials()
{
    auto rng = rngFor("MARA");
    auto mara = writer("MARA", {"MANDT", "MATNR", "ERSDA", "ERNAM", "LAEDA", "AENAM", "VPSTA", "MTART", "MBRSH",
                                "MATKL", "MEINS", "BRGEW", "NTGEW", "GEWEI", "VOLUM", "VOLEH", "SPART", "EAN11",
                                "LAENG", "BREIT", "HOEHE", "MEABM", "STFAK", "MHDHB", "GUID"});
    auto makt = writer("MAKT", {"MANDT", "MATNR", "SPRAS", "MAKTX", "MAKTG"});
    auto marc = writer("MARC", {"MANDT", "MATNR", "WERKS", "PSTAT", "MAABC", "EKGRP", "DISMM", "DISPO", "PLIFZ",
                                "WEBAZ", "DISLS", "BESKZ", "MINBE", "EISBE", "BSTMI", "PRCTR", "LGRAD", "HERKL",
                                "UEETO", "BEARZ"});
    static const char* const plants[] = {"1000", "1100", "2000", "2100", "3000", "3100", "4000", "4100"};
    const auto& kinds = samples::materialKinds();
    const int count = 300 * scale_;
    for (int i = 1; i <= count; ++i) {
        const int kind = rng.range(0, static_cast<int>(kinds.size()) - 1);
        const auto& k = kinds[static_cast<std::size_t>(kind)];
        const std::string matnr = numbered(10000 + i, 18);
        const int created = daysFromCivil(2010, 1, 1) + rng.range(0, 5000);
        const std::int64_t net = rng.range(10, 500000);   // grams scaled by 1000 (P13.3)
        unsigned char guid[16];
        for (auto& b : guid) b = static_cast<unsigned char>(rng.next());
        mara->text("001").text(matnr).text(dateText(created)).text("DEMO").text(dateText(created + rng.range(0, 900)))
            .text("JSILVA").text("KVEDLB").text(k.type).text("M").text(k.group).text(k.unit).integer(net + net / 10)
            .integer(net).text("KG").integer(rng.range(100, 90000)).text("CDM").text("00")
            .text(numbered(rng.range(100000000, 999999999), 9) + numbered(rng.range(1000, 9999), 4))
            .integer(rng.range(1000, 900000)).integer(rng.range(1000, 900000)).integer(rng.range(1000, 900000))
            .text("MM").integer(rng.range(1, 12)).integer(rng.range(0, 720)).blob(guid, 16).insert();
        const std::string name = std::string(k.en) + (i % 7 == 0 ? " (" + std::to_string(i) + ")" : "");
        const std::string namePt = std::string(k.pt) + (i % 7 == 0 ? " (" + std::to_string(i) + ")" : "");
        const std::string nameDe = std::string(k.de) + (i % 7 == 0 ? " (" + std::to_string(i) + ")" : "");
        makt->text("001").text(matnr).text("D").text(nameDe).text(upperAscii(nameDe)).insert();
        makt->text("001").text(matnr).text("E").text(name).text(upperAscii(name)).insert();
        makt->text("001").text(matnr).text("P").text(namePt).text(upperAscii(namePt)).insert();

        const int first = rng.range(0, 7);
        const int plantCount = rng.range(1, 3);
        std::vector<std::string> chosen;
        for (int p = 0; p < plantCount; ++p) chosen.push_back(plants[(first + p * 3) % 8]);
        std::sort(chosen.begin(), chosen.end());
        for (const auto& plant : chosen) {
            static const int levels[] = {950, 990, 975, 0, 900};   // service level, P3.1 scaled by 10
            marc->text("001").text(matnr).text(plant).text("VEDLB").text(rng.pick(std::vector<std::string>{"A", "B", "C"}))
                .text("0" + std::to_string(rng.range(1, 3)) + "1").text(rng.chance(70) ? "PD" : "VB")
                .text("00" + std::to_string(rng.range(1, 5))).integer(rng.range(1, 60)).integer(rng.range(0, 5))
                .text(rng.chance(50) ? "EX" : "HB").text(k.type[0] == 'F' ? "E" : "F").integer(rng.range(0, 500000))
                .integer(rng.range(0, 100000)).integer(rng.range(0, 10000)).text("PC" + plant)
                .integer(levels[rng.range(0, 4)]).text(plant[0] == '2' ? "BR" : plant[0] == '3' ? "US" : plant[0] == '4' ? "PT" : "DE")
                .integer(rng.range(0, 100)).integer(rng.range(0, 99999)).insert();
        }
        materials_.push_back({matnr, k.unit, rng.range(150, 250000), kind});
    }
}

} // namespace demo
