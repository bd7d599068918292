#include "sap/ComponentFactory.h"

#include "sap/BapiComponent.h"
#include "sap/EmbeddedTransport.h"
#include "sap/SapFunctions.h"
#include "sap/SoapTransport.h"
#include "sap/SystemList.h"
#include "util/UiTexts.h"

namespace qvor {

TransportMaker ComponentFactory::transportMaker()
{
    // The components may outlive a factory that a test swapped out; they keep theirs alive.
    std::shared_ptr<ComponentFactory> self = shared_from_this();
    return [self](const QString& entry, QString* error) { return self->createTransport(entry, error); };
}

std::unique_ptr<BapiComponent> ComponentFactory::createBapi()
{
    if (!installed(bapiName())) return nullptr;
    return std::make_unique<BapiComponent>(transportMaker());
}

std::unique_ptr<FunctionsComponent> ComponentFactory::createFunctions()
{
    if (!installed(functionsName())) return nullptr;
    return std::make_unique<SapFunctions>(transportMaker());
}

std::unique_ptr<RfcTransport> ComponentFactory::createTransport(const QString& systemEntry, QString* error)
{
    if (systemEntry.compare(EmbeddedTransport::systemEntryName(), Qt::CaseInsensitive) == 0)
        return std::make_unique<EmbeddedTransport>();
    for (const SystemEntry& extra : extraSystems_)
        if (extra.name.compare(systemEntry, Qt::CaseInsensitive) == 0) return std::make_unique<SoapTransport>(extra);
    SystemList list;
    list.load();
    if (const SystemEntry* entry = list.find(systemEntry)) return std::make_unique<SoapTransport>(*entry);
    if (error) *error = tx(TextId::SapUnknownSystem).arg(systemEntry);
    return nullptr;
}

void ComponentFactory::setInstalled(const QString& componentName, bool installed)
{
    if (installed) missing_.erase(componentName);
    else missing_.insert(componentName);
}

} // namespace qvor
