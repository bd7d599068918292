#include "demosystem/DemoSamples.h"

#include <cstdio>
#include <stdexcept>

namespace demo::samples {

std::uint64_t Rng::next()
{
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int Rng::range(int low, int high)
{
    const auto span = static_cast<std::uint64_t>(high - low + 1);
    return low + static_cast<int>(next() % span);
}

int daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string dateText(int days)
{
    days += 719468;
    const int era = (days >= 0 ? days : days - 146096) / 146097;
    const int doe = days - era * 146097;
    const int yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int y = yoe + era * 400;
    const int doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int mp = (5 * doy + 2) / 153;
    const int d = doy - (153 * mp + 2) / 5 + 1;
    const int m = mp + (mp < 10 ? 3 : -9);
    y += m <= 2;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", y, m, d);
    return buffer;
}

std::string timeText(int seconds)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d%02d%02d", seconds / 3600 % 24, seconds / 60 % 60, seconds % 60);
    return buffer;
}

std::string numbered(std::int64_t number, int width)
{
    std::string digits = std::to_string(number);
    if (digits.size() < static_cast<std::size_t>(width))
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    return digits;
}

const std::vector<Country>& countries()
{
    static const std::vector<Country> list = {
        {"BR", "Brazil", "Brasil", "Brasilien", "Brazilian", "brasileira", "BRL", 'P', "+55",
         {{"São Paulo", "01310-100", "SP"}, {"Rio de Janeiro", "20040-002", "RJ"}, {"Belo Horizonte", "30130-010", "MG"},
          {"Curitiba", "80010-000", "PR"}, {"Porto Alegre", "90010-150", "RS"}, {"Recife", "50030-230", "PE"},
          {"Florianópolis", "88010-400", "SC"}, {"Goiânia", "74003-010", "GO"}}, 22},
        {"PT", "Portugal", "Portugal", "Portugal", "Portuguese", "portuguesa", "EUR", 'P', "+351",
         {{"Lisboa", "1100-148", "11"}, {"Porto", "4000-322", "13"}, {"Coimbra", "3000-150", "06"},
          {"Braga", "4700-435", "03"}, {"Évora", "7000-651", "07"}}, 10},
        {"DE", "Germany", "Alemanha", "Deutschland", "German", "alemã", "EUR", 'D', "+49",
         {{"München", "80331", "09"}, {"Berlin", "10117", "11"}, {"Hamburg", "20095", "02"},
          {"Köln", "50667", "05"}, {"Frankfurt am Main", "60311", "06"}, {"Düsseldorf", "40213", "05"},
          {"Nürnberg", "90402", "09"}, {"Stuttgart", "70173", "08"}}, 18},
        {"US", "USA", "EUA", "USA", "American", "americana", "USD", 'E', "+1",
         {{"New York", "10001", "NY"}, {"Chicago", "60601", "IL"}, {"Houston", "77002", "TX"},
          {"Seattle", "98101", "WA"}, {"Boston", "02108", "MA"}, {"San Francisco", "94103", "CA"}}, 14},
        {"FR", "France", "França", "Frankreich", "French", "francesa", "EUR", 'F', "+33",
         {{"Paris", "75001", "75"}, {"Lyon", "69001", "69"}, {"Marseille", "13001", "13"}, {"Besançon", "25000", "25"}}, 5},
        {"ES", "Spain", "Espanha", "Spanien", "Spanish", "espanhola", "EUR", 'S', "+34",
         {{"Madrid", "28001", "28"}, {"Barcelona", "08001", "08"}, {"Sevilla", "41001", "41"}, {"A Coruña", "15001", "15"}}, 5},
        {"IT", "Italy", "Itália", "Italien", "Italian", "italiana", "EUR", 'I', "+39",
         {{"Milano", "20121", "MI"}, {"Roma", "00184", "RM"}, {"Torino", "10121", "TO"}}, 3},
        {"GB", "United Kingdom", "Reino Unido", "Großbritannien", "British", "britânica", "GBP", 'E', "+44",
         {{"London", "EC1A 1BB", "LND"}, {"Manchester", "M1 1AE", "MAN"}, {"Edinburgh", "EH1 1YZ", "EDH"}}, 4},
        {"CH", "Switzerland", "Suíça", "Schweiz", "Swiss", "suíça", "CHF", 'D', "+41",
         {{"Zürich", "8001", "ZH"}, {"Genève", "1201", "GE"}, {"Basel", "4051", "BS"}}, 3},
        {"AT", "Austria", "Áustria", "Österreich", "Austrian", "austríaca", "EUR", 'D', "+43",
         {{"Wien", "1010", "09"}, {"Graz", "8010", "06"}, {"Linz", "4020", "04"}}, 2},
        {"NL", "Netherlands", "Países Baixos", "Niederlande", "Dutch", "holandesa", "EUR", 'N', "+31",
         {{"Amsterdam", "1012 JS", "NH"}, {"Rotterdam", "3011 AD", "ZH"}}, 2},
        {"AR", "Argentina", "Argentina", "Argentinien", "Argentinian", "argentina", "ARS", 'S', "+54",
         {{"Buenos Aires", "C1002", "C"}, {"Córdoba", "X5000", "X"}}, 2},
        {"MX", "Mexico", "México", "Mexiko", "Mexican", "mexicana", "MXN", 'S', "+52",
         {{"Ciudad de México", "06000", "CMX"}, {"Guadalajara", "44100", "JAL"}}, 2},
        {"JP", "Japan", "Japão", "Japan", "Japanese", "japonesa", "JPY", 'E', "+81",
         {{"Tokyo", "100-0001", "13"}, {"Osaka", "530-0001", "27"}}, 2},
        {"CA", "Canada", "Canadá", "Kanada", "Canadian", "canadense", "CAD", 'E', "+1",
         {{"Toronto", "M5H 2N2", "ON"}, {"Montréal", "H2Y 1C6", "QC"}}, 2},
        {"AO", "Angola", "Angola", "Angola", "Angolan", "angolana", "AOA", 'P', "+244",
         {{"Luanda", "", "LUA"}}, 1},
        {"MZ", "Mozambique", "Moçambique", "Mosambik", "Mozambican", "moçambicana", "MZN", 'P', "+258",
         {{"Maputo", "1100", "MPM"}}, 1},
        {"SE", "Sweden", "Suécia", "Schweden", "Swedish", "sueca", "SEK", 'E', "+46",
         {{"Stockholm", "111 29", "AB"}, {"Göteborg", "411 06", "O"}}, 1},
        {"PL", "Poland", "Polônia", "Polen", "Polish", "polonesa", "PLN", 'E', "+48",
         {{"Warszawa", "00-001", "14"}, {"Kraków", "30-001", "12"}}, 1},
    };
    return list;
}

const Country& countryByKey(const std::string& key)
{
    for (const auto& c : countries())
        if (key == c.key) return c;
    throw std::invalid_argument("unknown country " + key);
}

namespace {
const std::vector<std::string> surnamesPt = {"Silva", "Santos", "Oliveira", "Souza", "Pereira", "Costa", "Rodrigues",
                                             "Almeida", "Nascimento", "Lima", "Araújo", "Fernandes", "Gonçalves",
                                             "Ribeiro", "Martins", "Carvalho", "Conceição", "Simões", "Magalhães"};
const std::vector<std::string> surnamesDe = {"Müller", "Schmidt", "Schneider", "Fischer", "Weber", "Meyer", "Wagner",
                                             "Becker", "Schulz", "Hoffmann", "Schäfer", "Koch", "Bauer", "Richter",
                                             "Klein", "Wolf", "Schröder", "Neumann", "Krüger", "Groß"};
const std::vector<std::string> surnamesEn = {"Smith", "Johnson", "Williams", "Brown", "Jones", "Miller", "Davis",
                                             "Wilson", "Anderson", "Taylor", "Thomas", "Moore", "Martin", "Jackson",
                                             "O'Neil", "Clark", "Walker", "Young"};
const std::vector<std::string> surnamesEs = {"García", "Fernández", "González", "Rodríguez", "López", "Martínez",
                                             "Sánchez", "Pérez", "Gómez", "Muñoz", "Díaz", "Peña"};
const std::vector<std::string> surnamesFr = {"Martin", "Bernard", "Dubois", "Thomas", "Robert", "Richard", "Petit",
                                             "Durand", "Lefèvre", "Moreau", "Girard", "Lévêque"};
const std::vector<std::string> surnamesOther = {"Rossi", "Bianchi", "de Vries", "Jansen", "Tanaka", "Suzuki",
                                                "Andersson", "Nowak", "Kowalski", "Lindqvist"};
const std::vector<std::string> firstPt = {"João", "Maria", "Ana", "José", "Antônio", "Francisca", "Luís", "Márcia",
                                          "Inês", "Tomás"};
const std::vector<std::string> firstDe = {"Jürgen", "Anna", "Klaus", "Sabine", "Stefan", "Jörg", "Monika", "Björn"};
const std::vector<std::string> firstEn = {"James", "Mary", "John", "Linda", "Robert", "Susan", "Michael", "Karen"};

const std::vector<std::string>& surnames(const Country& c)
{
    switch (c.language) {
    case 'P': return surnamesPt;
    case 'D': return surnamesDe;
    case 'S': return surnamesEs;
    case 'F': return surnamesFr;
    default: break;
    }
    const std::string key = c.key;
    return key == "US" || key == "GB" || key == "CA" ? surnamesEn : surnamesOther;
}
} // namespace

std::string companyName(Rng& rng, const Country& c)
{
    const std::string& s1 = rng.pick(surnames(c));
    const std::string& s2 = rng.pick(surnames(c));
    switch (c.language) {
    case 'P': {
        static const std::vector<std::string> trades = {"Comércio de Alimentos", "Construtora", "Transportes",
                                                        "Metalúrgica", "Distribuidora", "Farmácia", "Têxtil",
                                                        "Informática", "Indústria de Calçados", "Agropecuária"};
        const std::string form = std::string(c.key) == "PT" ? (rng.chance(50) ? " Lda" : " S.A.")
                                                            : (rng.chance(60) ? " Ltda" : " S.A.");
        return rng.pick(trades) + " " + s1 + (rng.chance(30) ? " & " + s2 : "") + form;
    }
    case 'D': {
        static const std::vector<std::string> trades = {"Maschinenbau", "Elektrotechnik", "Logistik", "Bäckerei",
                                                        "Möbelhaus", "Getränkehandel", "Stahlbau", "Brauerei"};
        return s1 + (rng.chance(25) ? " & " + s2 : "") + " " + rng.pick(trades) + (rng.chance(70) ? " GmbH" : " AG");
    }
    case 'S': {
        static const std::vector<std::string> trades = {"Alimentación", "Construcciones", "Transportes", "Distribuciones"};
        return rng.pick(trades) + " " + s1 + (rng.chance(60) ? " S.L." : " S.A.");
    }
    case 'F': {
        static const std::vector<std::string> trades = {"Boulangerie", "Transports", "Électricité", "Menuiserie"};
        return rng.pick(trades) + " " + s1 + (rng.chance(60) ? " SARL" : " SA");
    }
    default: {
        static const std::vector<std::string> trades = {"Industries", "Trading", "Logistics", "Foods", "Supplies",
                                                        "Engineering", "Systems"};
        static const std::vector<std::string> forms = {" Inc.", " Ltd.", " LLC", " Corp.", " Co."};
        return s1 + (rng.chance(20) ? " & " + s2 : "") + " " + rng.pick(trades) + rng.pick(forms);
    }
    }
}

std::string streetAddress(Rng& rng, const Country& c)
{
    const std::string number = std::to_string(rng.range(1, 2400));
    switch (c.language) {
    case 'P': {
        static const std::vector<std::string> streets = {"Rua Augusta", "Avenida Paulista", "Rua da Conceição",
                                                         "Avenida da Liberdade", "Rua São João", "Praça do Comércio",
                                                         "Rua Visconde de Inhaúma"};
        return rng.pick(streets) + ", " + number;
    }
    case 'D': {
        static const std::vector<std::string> streets = {"Hauptstraße", "Bahnhofstraße", "Schloßallee", "Königstraße",
                                                         "Gartenweg", "Lindenstraße"};
        return rng.pick(streets) + " " + std::to_string(rng.range(1, 180));
    }
    case 'S': {
        static const std::vector<std::string> streets = {"Calle Mayor", "Avenida de la Constitución", "Calle Alcalá"};
        return rng.pick(streets) + " " + number;
    }
    case 'F': {
        static const std::vector<std::string> streets = {"rue de la République", "avenue des Champs-Élysées",
                                                         "boulevard Saint-Germain"};
        return number + " " + rng.pick(streets);
    }
    default: {
        static const std::vector<std::string> streets = {"Main Street", "Oak Avenue", "Park Road", "Market Street",
                                                         "Broadway", "High Street"};
        return number + " " + rng.pick(streets);
    }
    }
}

std::string personName(Rng& rng, const Country& c)
{
    const std::vector<std::string>& first = c.language == 'P' ? firstPt : c.language == 'D' ? firstDe : firstEn;
    return rng.pick(first) + " " + rng.pick(surnames(c));
}

const std::vector<MaterialKind>& materialKinds()
{
    static const std::vector<MaterialKind> list = {
        {"Hexagon bolt M8", "Parafuso sextavado M8", "Sechskantschraube M8", "ST", "HAWA", "001"},
        {"Hexagon nut M8", "Porca sextavada M8", "Sechskantmutter M8", "ST", "HAWA", "001"},
        {"Ball bearing 6204", "Rolamento de esferas 6204", "Kugellager 6204", "ST", "ROH", "002"},
        {"Steel sheet 2 mm", "Chapa de aço 2 mm", "Stahlblech 2 mm", "KG", "ROH", "003"},
        {"Copper wire 1.5 mm²", "Fio de cobre 1,5 mm²", "Kupferdraht 1,5 mm²", "M", "ROH", "003"},
        {"Electric motor 1.5 kW", "Motor elétrico 1,5 kW", "Elektromotor 1,5 kW", "ST", "HALB", "004"},
        {"Gear pump", "Bomba de engrenagens", "Zahnradpumpe", "ST", "FERT", "005"},
        {"Centrifugal pump", "Bomba centrífuga", "Kreiselpumpe", "ST", "FERT", "005"},
        {"Hydraulic oil 20 l", "Óleo hidráulico 20 l", "Hydrauliköl 20 l", "L", "HAWA", "006"},
        {"Coffee beans 1 kg", "Café em grão 1 kg", "Kaffeebohnen 1 kg", "KG", "HAWA", "007"},
        {"Orange juice 1 l", "Suco de laranja 1 l", "Orangensaft 1 l", "L", "FERT", "007"},
        {"Office chair", "Cadeira de escritório", "Bürostuhl", "ST", "FERT", "008"},
        {"Desk lamp", "Luminária de mesa", "Schreibtischlampe", "ST", "FERT", "008"},
        {"Laptop 14 inch", "Notebook 14 polegadas", "Notebook 14 Zoll", "ST", "HAWA", "009"},
        {"Control unit", "Unidade de controle", "Steuergerät", "ST", "HALB", "004"},
        {"Packaging carton", "Caixa de papelão", "Verpackungskarton", "ST", "VERP", "010"},
    };
    return list;
}

} // namespace demo::samples
