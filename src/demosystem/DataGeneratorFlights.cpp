// The flight model: airlines, connections and flights.
#include "demosystem/DataGenerator.h"

#include <algorithm>

namespace demo {

using samples::dateText;
using samples::daysFromCivil;
using samples::numbered;

void DataGenerator::flights()
{
    auto rng = rngFor("SFLIGHT");
    struct Airline {
        const char *id, *name, *currency, *url;
    };
    static const Airline airlines[] = {
        {"AA", "American Airlines", "USD", "http://www.aa.com"},
        {"AC", "Air Canada", "CAD", "http://www.aircanada.ca"},
        {"AD", "Azul Linhas Aéreas", "BRL", "http://www.voeazul.com.br"},
        {"AF", "Air France", "EUR", "http://www.airfrance.fr"},
        {"BA", "British Airways", "GBP", "http://www.britishairways.com"},
        {"DL", "Delta Airlines", "USD", "http://www.delta-air.com"},
        {"G3", "Gol Linhas Aéreas", "BRL", "http://www.voegol.com.br"},
        {"JL", "Japan Airlines", "JPY", "http://www.jal.co.jp"},
        {"LH", "Lufthansa", "EUR", "http://www.lufthansa.com"},
        {"SQ", "Singapore Airlines", "SGD", "http://www.singaporeair.com"},
        {"SR", "Swiss", "CHF", "http://www.swiss.com"},
        {"TP", "TAP Air Portugal", "EUR", "http://www.flytap.com"},
        {"UA", "United Airlines", "USD", "http://www.ual.com"},
    };
    auto scarr = writer("SCARR", {"MANDT", "CARRID", "CARRNAME", "CURRCODE", "URL"});
    for (const auto& a : airlines) scarr->text("001").text(a.id).text(a.name).text(a.currency).text(a.url).insert();

    struct Connection {
        const char *carrier, *connid, *countryFrom, *cityFrom, *airportFrom, *countryTo, *cityTo, *airportTo;
        int minutes, departure, distance;
        const char* unit;
        int period;
    };
    static const Connection connections[] = {
        {"AA", "0017", "US", "NEW YORK", "JFK", "US", "SAN FRANCISCO", "SFO", 361, 13 * 3600 + 30 * 60, 2572, "MI", 0},
        {"AA", "0064", "US", "SAN FRANCISCO", "SFO", "US", "NEW YORK", "JFK", 321, 9 * 3600, 2572, "MI", 0},
        {"AD", "8700", "BR", "SÃO PAULO", "VCP", "PT", "LISBOA", "LIS", 600, 17 * 3600 + 5 * 60, 7940, "KM", 1},
        {"AF", "0444", "FR", "PARIS", "CDG", "BR", "SÃO PAULO", "GRU", 700, 23 * 3600 + 25 * 60, 9390, "KM", 1},
        {"BA", "0247", "GB", "LONDON", "LHR", "BR", "SÃO PAULO", "GRU", 705, 22 * 3600 + 5 * 60, 9470, "KM", 1},
        {"DL", "0106", "US", "NEW YORK", "JFK", "DE", "FRANKFURT", "FRA", 475, 19 * 3600 + 35 * 60, 3851, "MI", 1},
        {"G3", "1450", "BR", "SÃO PAULO", "CGH", "BR", "RIO DE JANEIRO", "SDU", 60, 7 * 3600, 366, "KM", 0},
        {"JL", "0407", "JP", "TOKYO", "NRT", "DE", "FRANKFURT", "FRA", 765, 11 * 3600 + 50 * 60, 9100, "KM", 0},
        {"LH", "0400", "DE", "FRANKFURT", "FRA", "US", "NEW YORK", "JFK", 535, 10 * 3600 + 10 * 60, 6162, "KM", 0},
        {"LH", "0402", "DE", "FRANKFURT", "FRA", "US", "NEW YORK", "JFK", 530, 13 * 3600 + 30 * 60, 6162, "KM", 0},
        {"LH", "0506", "DE", "FRANKFURT", "FRA", "BR", "SÃO PAULO", "GRU", 720, 22 * 3600 + 5 * 60, 9820, "KM", 1},
        {"LH", "2402", "DE", "FRANKFURT", "FRA", "DE", "BERLIN", "BER", 65, 10 * 3600 + 30 * 60, 433, "KM", 0},
        {"LH", "2436", "DE", "MÜNCHEN", "MUC", "DE", "HAMBURG", "HAM", 75, 7 * 3600 + 15 * 60, 600, "KM", 0},
        {"SQ", "0026", "DE", "FRANKFURT", "FRA", "SG", "SINGAPORE", "SIN", 740, 21 * 3600 + 30 * 60, 10300, "KM", 1},
        {"SR", "0092", "CH", "ZÜRICH", "ZRH", "BR", "SÃO PAULO", "GRU", 735, 22 * 3600 + 40 * 60, 9560, "KM", 1},
        {"TP", "0083", "PT", "LISBOA", "LIS", "BR", "SÃO PAULO", "GRU", 640, 12 * 3600, 7930, "KM", 0},
        {"TP", "1947", "PT", "LISBOA", "LIS", "PT", "PORTO", "OPO", 55, 8 * 3600 + 45 * 60, 274, "KM", 0},
        {"UA", "0941", "DE", "FRANKFURT", "FRA", "US", "SAN FRANCISCO", "SFO", 680, 14 * 3600 + 30 * 60, 9130, "KM", 0},
    };
    auto spfli = writer("SPFLI", {"MANDT", "CARRID", "CONNID", "COUNTRYFR", "CITYFROM", "AIRPFROM", "COUNTRYTO",
                                  "CITYTO", "AIRPTO", "FLTIME", "DEPTIME", "ARRTIME", "DISTANCE", "DISTID", "FLTYPE",
                                  "PERIOD"});
    for (const auto& c : connections)
        spfli->text("001").text(c.carrier).text(c.connid).text(c.countryFrom).text(c.cityFrom).text(c.airportFrom)
            .text(c.countryTo).text(c.cityTo).text(c.airportTo).integer(c.minutes).text(samples::timeText(c.departure))
            .text(samples::timeText(c.departure + c.minutes * 60)).integer(static_cast<std::int64_t>(c.distance) * 10000)
            .text(c.unit).text("").integer(c.period).insert();

    auto sflight = writer("SFLIGHT", {"MANDT", "CARRID", "CONNID", "FLDATE", "PRICE", "CURRENCY", "PLANETYPE",
                                      "SEATSMAX", "SEATSOCC", "PAYMENTSUM", "SEATSMAX_B", "SEATSOCC_B", "SEATSMAX_F",
                                      "SEATSOCC_F"});
    auto dmo = writer("/DMO/FLIGHT", {"CLIENT", "CARRIER_ID", "CONNECTION_ID", "FLIGHT_DATE", "PRICE", "CURRENCY_CODE",
                                      "PLANE_TYPE_ID", "SEATS_MAX", "SEATS_OCCUPIED"});
    static const char* const planes[] = {"A319-100", "A321-200", "A330-300", "A340-600", "747-400", "767-200", "777-300ER"};
    const int flightsPerConnection = 12 * scale_;
    for (const auto& c : connections) {
        const Airline* airline = nullptr;
        for (const auto& a : airlines)
            if (std::string(a.id) == c.carrier) airline = &a;
        const bool longHaul = c.minutes > 200;
        const int start = daysFromCivil(2025, 1, 6) + rng.range(0, 20);
        for (int f = 0; f < flightsPerConnection; ++f) {
            const std::string date = dateText(start + f * 7);
            const int seatsMax = longHaul ? 330 + rng.range(0, 100) : 140 + rng.range(0, 40);
            const int occupied = rng.range(seatsMax / 3, seatsMax);
            const std::int64_t price = (longHaul ? rng.range(45000, 190000) : rng.range(8000, 40000))
                * (std::string(airline->currency) == "JPY" ? 100 : 1);
            const std::string plane = planes[longHaul ? rng.range(2, 6) : rng.range(0, 1)];
            const int businessMax = longHaul ? 30 : 0, firstMax = longHaul ? 10 : 0;
            const int businessOcc = businessMax ? rng.range(0, businessMax) : 0;
            const int firstOcc = firstMax ? rng.range(0, firstMax) : 0;
            sflight->text("001").text(c.carrier).text(c.connid).text(date).integer(price).text(airline->currency)
                .text(plane).integer(seatsMax).integer(occupied)
                .integer(price * occupied + price * 3 * businessOcc + price * 6 * firstOcc)
                .integer(businessMax).integer(businessOcc).integer(firstMax).integer(firstOcc).insert();
            dmo->text("001").text(c.carrier).text(c.connid).text(date).integer(price).text(airline->currency)
                .text(plane).integer(seatsMax).integer(occupied).insert();
        }
    }
}

} // namespace demo
