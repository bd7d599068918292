// Sales orders and accounting documents.
#include "demosystem/DataGenerator.h"

#include <algorithm>

namespace demo {

using samples::dateText;
using samples::daysFromCivil;
using samples::numbered;

void DataGenerator::salesDocuments()
{
    auto rng = rngFor("VBAK");
    auto vbak = writer("VBAK", {"MANDT", "VBELN", "ERDAT", "ERZET", "ERNAM", "AUDAT", "VBTYP", "TRVOG", "AUART",
                                "NETWR", "WAERK", "VKORG", "VTWEG", "SPART", "VKBUR", "KNUMV", "VDATU", "KALSM",
                                "VSBED", "BSTNK", "BSTDK", "KUNNR", "AEDAT", "HANDLE"});
    auto vbap = writer("VBAP", {"MANDT", "VBELN", "POSNR", "MATNR", "MATWA", "MATKL", "ARKTX", "PSTYV", "NETWR",
                                "WAERK", "KWMENG", "VRKME", "MEINS", "WERKS", "ERDAT", "ERNAM", "ERZET", "NETPR",
                                "KPEIN", "KMEIN", "MWSBP", "BRGEW", "GEWEI"});
    const auto& kinds = samples::materialKinds();
    const int count = 1000 * scale_;
    for (int i = 1; i <= count; ++i) {
        const auto& customer = customers_[static_cast<std::size_t>(rng.range(0, static_cast<int>(customers_.size()) - 1))];
        const std::string vbeln = numbered(i, 10);
        const int created = daysFromCivil(2022, 1, 1) + rng.range(0, 1090);
        const std::string erdat = dateText(created);
        const std::string erzet = samples::timeText(rng.range(25200, 70000));
        const int items = rng.range(1, 5);
        std::int64_t total = 0;
        struct Item {
            const Material* material;
            std::int64_t quantity, price;
        };
        std::vector<Item> lines;
        for (int p = 0; p < items; ++p) {
            const auto& m = materials_[static_cast<std::size_t>(rng.range(0, static_cast<int>(materials_.size()) - 1))];
            const std::int64_t qty = rng.range(1, 500) * 1000;   // P15.3
            lines.push_back({&m, qty, m.priceCents});
            total += qty / 1000 * m.priceCents;
        }
        unsigned char handle[16];
        for (auto& b : handle) b = static_cast<unsigned char>(rng.next());
        vbak->text("001").text(vbeln).text(erdat).text(erzet).text(rng.chance(60) ? "DEMO" : "TMARTINS").text(erdat)
            .text("C").text("0").text(rng.chance(90) ? "TA" : "KB").integer(total).text(customer.currency)
            .text(customer.bukrs).text("10").text("00").text(customer.bukrs).text(numbered(i, 10))
            .text(dateText(created + rng.range(3, 30))).text("RVAA01").text("01")
            .text(rng.chance(70) ? "PO-" + std::to_string(rng.range(10000, 99999)) : "").text(erdat).text(customer.kunnr)
            .text(rng.chance(30) ? dateText(created + rng.range(1, 60)) : "00000000").blob(handle, 16).insert();
        int posnr = 10;
        for (const auto& item : lines) {
            const auto& k = kinds[static_cast<std::size_t>(item.material->kind)];
            const std::int64_t net = item.quantity / 1000 * item.price;
            vbap->text("001").text(vbeln).text(numbered(posnr, 6)).text(item.material->matnr).text(item.material->matnr)
                .text(k.group).text(k.en).text("TAN").integer(net).text(customer.currency).integer(item.quantity)
                .text(k.unit).text(k.unit).text(customer.bukrs).text(erdat).text("DEMO").text(erzet).integer(item.price)
                .integer(1).text(k.unit).integer(net * 19 / 100).integer(item.quantity / 2).text("KG").insert();
            posnr += 10;
        }
    }
}

void DataGenerator::accountingDocuments()
{
    auto rng = rngFor("BKPF");
    auto bkpf = writer("BKPF", {"MANDT", "BUKRS", "BELNR", "GJAHR", "BLART", "BLDAT", "BUDAT", "MONAT", "CPUDT",
                                "CPUTM", "USNAM", "TCODE", "XBLNR", "BKTXT", "WAERS", "KURSF", "HWAER", "AWTYP",
                                "AWKEY", "KURSX", "BSTAT"});
    auto bseg = writer("BSEG", {"MANDT", "BUKRS", "BELNR", "GJAHR", "BUZEI", "AUGDT", "AUGBL", "BSCHL", "KOART",
                                "SHKZG", "GSBER", "MWSKZ", "DMBTR", "WRBTR", "PSWBT", "PSWSL", "MWSTS", "WMWST",
                                "VALUT", "ZUONR", "SGTXT", "KOKRS", "KOSTL", "SAKNR", "HKONT", "KUNNR", "LIFNR",
                                "ZFBDT", "ZTERM", "ZBD1T", "ZBD1P", "SKFBT", "MATNR", "WERKS", "MENGE", "MEINS",
                                "PRCTR", "DMBE2", "BDIFF", "SEGMENT", "PENDAYS", "KURSR_F", "GUID"});
    struct Code {
        const char *bukrs, *currency;
    };
    static const Code codes[] = {{"1000", "EUR"}, {"2000", "BRL"}, {"3000", "USD"}, {"4000", "EUR"}};
    static const char* const texts[] = {"Wareneingang Lieferant", "Faturamento ao cliente", "Customer invoice",
                                        "Pagamento recebido", "Reisekosten München", "Office supplies", "Frete São Paulo",
                                        ""};
    const long total = static_cast<long>(BsegRowsPerScale) * scale_;
    // Each company code numbers its documents on its own; a quarter of the lines per code.
    for (std::size_t c = 0; c < 4; ++c) {
        const long share = c < 3 ? total / 4 : total - 3 * (total / 4);
        long done = 0;
        std::int64_t belnr = c == 1 ? 100000000 : 1400000000;
        while (done < share) {
            const Code& code = codes[c];
            const int lines = static_cast<int>(std::min<long>(rng.range(2, 6), share - done));
            const int posted = daysFromCivil(2022, 1, 1) + rng.range(0, 1090);
            const std::string budat = dateText(posted);
            const std::string gjahr = budat.substr(0, 4);
            const std::string doc = numbered(++belnr, 10);
            const bool customerDoc = rng.chance(55);
            const bool vendorDoc = !customerDoc && rng.chance(70);
            const std::string foreign = rng.chance(10) ? "USD" : code.currency;
            // Indirect quotations are stored negative, as SAP does (e.g. -116.38600).
            const std::int64_t rate = foreign == code.currency ? 100000 : (rng.chance(50) ? -11638600 : 108250);
            const std::string blart = customerDoc ? "DR" : vendorDoc ? "KR" : "SA";
            bkpf->text("001").text(code.bukrs).text(doc).text(gjahr).text(blart).text(dateText(posted - rng.range(0, 10)))
                .text(budat).text(budat.substr(4, 2)).text(budat).text(samples::timeText(rng.range(25200, 70000)))
                .text(rng.chance(50) ? "DEMO" : "LFERREIRA").text(customerDoc ? "FB70" : vendorDoc ? "FB60" : "FB50")
                .text(rng.chance(60) ? "REF" + std::to_string(rng.range(1000, 99999)) : "")
                .text(rng.pick(std::vector<std::string>{"Monthly accrual", "Fatura mensal", "Abschlag", ""}))
                .text(foreign).integer(rate).text(code.currency).text("BKPF").text(doc + code.bukrs + gjahr)
                .real(static_cast<double>(rate) / 100000.0).text("").insert();

            // Amounts: mostly small, now and then the large values that overflow their slot.
            std::int64_t amount = static_cast<std::int64_t>(rng.range(100, 5000000));
            if (belnr % 97 == 50) amount = 418437422100;      // 4184374221.00: fits without sign place
            if (belnr % 211 == 100) amount = 1129184760800;   // 11291847608.00: overflows
            // The first line carries the whole amount; the others split it, the last one taking the rest.
            const std::int64_t perLine = lines > 1 ? amount / (lines - 1) : amount;
            for (int line = 1; line <= lines; ++line) {
                const bool first = line == 1;
                const std::int64_t value = first ? amount : line == lines ? amount - perLine * (lines - 2) : perLine;
                const std::string koart = first ? (customerDoc ? "D" : vendorDoc ? "K" : "S") : "S";
                const std::string shkzg = (first == (customerDoc || !vendorDoc)) ? "S" : "H";
                const std::string bschl = koart == "D" ? "01" : koart == "K" ? "31" : shkzg == "S" ? "40" : "50";
                const auto* customer = customerDoc && first
                    ? &customers_[static_cast<std::size_t>(rng.range(0, static_cast<int>(customers_.size()) - 1))] : nullptr;
                const std::string* vendor = vendorDoc && first
                    ? &vendors_[static_cast<std::size_t>(rng.range(0, static_cast<int>(vendors_.size()) - 1))] : nullptr;
                const Material* material = !first && rng.chance(30)
                    ? &materials_[static_cast<std::size_t>(rng.range(0, static_cast<int>(materials_.size()) - 1))] : nullptr;
                const std::string account = koart == "S" ? numbered(rng.pick(std::vector<int>{400000, 415000, 476000, 800000, 113100}), 10)
                                                         : koart == "D" ? "0000140000" : "0000160000";
                const bool cleared = first && rng.chance(60);
                const std::int64_t tax = value * 19 / 119;
                unsigned char guid[16];
                for (auto& b : guid) b = static_cast<unsigned char>(rng.next());
                bseg->text("001").text(code.bukrs).text(doc).text(gjahr).text(numbered(line, 3))
                    .text(cleared ? dateText(posted + rng.range(5, 60)) : "00000000")
                    .text(cleared ? numbered(1500000000 + rng.range(1, 99999), 10) : "").text(bschl).text(koart).text(shkzg)
                    .text(code.bukrs).text(rng.chance(40) ? "A1" : "").integer(value)
                    .integer(foreign == code.currency ? value : value * 100000 / (rate < 0 ? -rate : rate) )
                    .integer(value).text(code.currency).integer(tax).integer(tax).text(budat)
                    .text(customer ? customer->kunnr : vendor ? *vendor : doc).text(texts[rng.range(0, 7)]).text("1000")
                    .text(koart == "S" && !first ? numbered(rng.range(1000, 1999), 10) : "").text(account).text(account)
                    .text(customer ? customer->kunnr : "").text(vendor ? *vendor : "")
                    .text(koart != "S" ? budat : "00000000").text(koart != "S" ? "0001" : "")
                    .integer(koart != "S" ? 14 : 0).integer(koart != "S" ? 3000 : 0).integer(koart != "S" ? value : 0)
                    .text(material ? material->matnr : "").text(material ? code.bukrs : "")
                    .integer(material ? rng.range(1, 900) * 1000 : 0).text(material ? material->unit : "")
                    .text("PC" + std::string(code.bukrs)).integer(value / 5 * 4)
                    .integer(rng.chance(5) ? -rng.range(1, 99999) : 0).text("SEG" + std::string(code.bukrs, 1))
                    .integer(cleared ? rng.range(-30, 90) : 0).real(static_cast<double>(rate) / 100000.0)
                    .blob(guid, 16).insert();
            }
            done += lines;
        }
    }
}

} // namespace demo
