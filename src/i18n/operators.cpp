#include "i18n/code_lookup.h"
#include "i18n/code_tables.h"

namespace {

// The operators of the markets the devices are sold in. Some operators hold several network codes and
// some names repeat on purpose.
constexpr TCodeName kOperators[] = {
    {u"00000", u""},
    {u"25012", u"Baykal Westcom"},
    {u"25028", u"BeeLine/VimpelCom"},
    {u"25010", u"DTC/Don Telecom"},
    {u"25013", u"Kuban GSM"},
    {u"25035", u"MOTIV/LLC Ekaterinburg-2000"},
    {u"25002", u"Megafon"},
    {u"25001", u"MTS"},
    {u"25003", u"NCC"},
    {u"25016", u"NTC"},
    {u"25019", u"OJSC Altaysvyaz"},
    {u"25011", u"Orensot"},
    {u"25092", u"Printelefone"},
    {u"25004", u"Sibchallenge"},
    {u"25044", u"StavTelesot"},
    {u"25020", u"Tele2/ECC/Volgogr"},
    {u"25093", u"Telecom XXL"},
    {u"25039", u"UralTel"},
    {u"25017", u"UralTel"},
    {u"25099", u"BeeLine/VimpelCom"},
    {u"25005", u"Yenisey Telecom"},
    {u"25015", u"ZAO SMARTS"},
    {u"25007", u"ZAO SMARTS"},
    {u"25506", u"Astelit/LIFE"},
    {u"25505", u"Golden Telecom"},
    {u"25539", u"Golden Telecom"},
    {u"25504", u"Intertelecom Ltd (IT)"},
    {u"25567", u"KyivStar"},
    {u"25503", u"KyivStar"},
    {u"25521", u"Telesystems Of Ukraine CJSC (TSU)"},
    {u"25507", u"TriMob LLC"},
    {u"25550", u"UMC/MTS"},
    {u"25502", u"Beeline"},
    {u"25501", u"UMC/MTS"},
    {u"25568", u"Beeline"},
    {u"25703", u"BelCel JV"},
    {u"25704", u"BeST"},
    {u"25701", u"Mobile Digital Communications"},
    {u"25702", u"MTS"},
    {u"40101", u"Beeline/KaR-Tel LLP"},
    {u"40107", u"Dalacom/Altel"},
    {u"40102", u"K-Cell"},
    {u"40177", u"Tele2/NEO/MTS"},
    {u"22003", u"MTS/Telekom Srbija"},
    {u"22001", u"Telenor/Mobtel"},
    {u"22002", u"Telenor/Mobtel"},
    {u"22005", u"VIP Mobile"},
};

} // namespace

std::span<const TCodeName> OperatorTable() {
  return kOperators;
}

QString OperatorName(const QString& aCode) {
  static const QHash<QString, QString> index = IndexCodeTable(kOperators);
  return LookUpCode(index, aCode);
}
