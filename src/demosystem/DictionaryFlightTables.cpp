// The flight data model (SCARR, SPFLI, SFLIGHT) and its namespaced successor /DMO/FLIGHT.
#include "demosystem/Dictionary.h"

namespace demo {

void addFlightTables(std::vector<TableSource>& out)
{
    out.push_back({"SCARR", "TRANSP", "", "Airline", "Companhia aérea", {
        "*MANDT C3 Client|Mandante",
        "*CARRID C3 Airline Code|Código da companhia aérea",
        "CARRNAME C20 Airline name|Nome da companhia aérea",
        "CURRCODE C5 Local currency of airline|Moeda local da companhia aérea",
        "URL C255 Airline URL|URL da companhia aérea",
    }});
    out.push_back({"SPFLI", "TRANSP", "", "Flight schedule", "Horário de voos", {
        "*MANDT C3 Client|Mandante",
        "*CARRID C3 Airline Code|Código da companhia aérea",
        "*CONNID N4 Flight Connection Number|Nº da conexão de voo",
        "COUNTRYFR C3 Country Key|Chave do país",
        "CITYFROM C20 Departure city|Cidade de partida",
        "AIRPFROM C3 Departure airport|Aeroporto de partida",
        "COUNTRYTO C3 Country Key|Chave do país",
        "CITYTO C20 Arrival city|Cidade de chegada",
        "AIRPTO C3 Destination airport|Aeroporto de destino",
        "FLTIME I10 Flight time|Duração do voo",
        "DEPTIME T6 Departure time|Hora de partida",
        "ARRTIME T6 Arrival time|Hora de chegada",
        "DISTANCE P9.4 Distance|Distância",
        "DISTID C3 Mass unit of distance (kms, miles)|Unidade da distância (km, milhas)",
        "FLTYPE C1 Flight type|Tipo de voo",
        "PERIOD s5 Arrival n day(s) later|Chegada n dia(s) depois",
    }});
    out.push_back({"SFLIGHT", "TRANSP", "", "Flight", "Voo", {
        "*MANDT C3 Client|Mandante",
        "*CARRID C3 Airline Code|Código da companhia aérea",
        "*CONNID N4 Flight Connection Number|Nº da conexão de voo",
        "*FLDATE D8 Flight date|Data do voo",
        "PRICE P15.2 Airfare|Tarifa aérea",
        "CURRENCY C5 Local currency of airline|Moeda local da companhia aérea",
        "PLANETYPE C10 Aircraft Type|Tipo de avião",
        "SEATSMAX I10 Maximum capacity in economy class|Capacidade máxima na classe econômica",
        "SEATSOCC I10 Occupied seats in economy class|Lugares ocupados na classe econômica",
        "PAYMENTSUM P17.2 Total of current bookings|Total das reservas atuais",
        "SEATSMAX_B I10 Maximum capacity in business class|Capacidade máxima na classe executiva",
        "SEATSOCC_B I10 Occupied seats in business class|Lugares ocupados na classe executiva",
        "SEATSMAX_F I10 Maximum capacity in first class|Capacidade máxima na primeira classe",
        "SEATSOCC_F I10 Occupied seats in first class|Lugares ocupados na primeira classe",
    }});
    out.push_back({"/DMO/FLIGHT", "TRANSP", "", "Flight (ABAP Flight Reference Scenario)", "Voo (cenário de referência)", {
        "*CLIENT C3 Client|Mandante",
        "*CARRIER_ID C3 Airline ID|ID da companhia aérea",
        "*CONNECTION_ID N4 Flight Connection Number|Nº da conexão de voo",
        "*FLIGHT_DATE D8 Flight Date|Data do voo",
        "PRICE P16.2 Flight Price|Preço do voo",
        "CURRENCY_CODE C5 Currency Code|Código da moeda",
        "PLANE_TYPE_ID C10 Plane Type|Tipo de avião",
        "SEATS_MAX I10 Maximum Seats|Lugares máximos",
        "SEATS_OCCUPIED I10 Occupied Seats|Lugares ocupados",
    }});
}

} // namespace demo
