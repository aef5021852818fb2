#include "session/SessionState.h"

const std::array<ModelDescriptor, 2> &modelTable()
{
    // ALDER: the 136 kHz model; BIRCH: the 500 kHz model.
    static const std::array<ModelDescriptor, 2> table{{
        {"ALDER", "ALDER_settings", {136000, 1, 100, 1, 115200, 0}},
        {"BIRCH", "BIRCH_settings", {500000, 2, 200, 0, 115200, 0}},
    }};
    return table;
}

void Session::setBuiltInValues()
{
    state.Model = QString::fromLatin1(modelTable()[static_cast<int>(ModelId::Birch)].name);
    state.Keyer_Type = kBuiltInKeyer;
    for (std::size_t i = 0; i < profiles.size(); ++i)
        profiles[i] = modelTable()[i].builtIn;
    state.PortEntryCount = kPortCount;
}

int Session::modelIndex(const QString &model)
{
    for (std::size_t i = 0; i < modelTable().size(); ++i) {
        if (model == QLatin1String(modelTable()[i].name))
            return static_cast<int>(i);
    }
    return -1;
}

ModelProfile *Session::selectedProfile()
{
    const int index = modelIndex(state.Model);
    return index < 0 ? nullptr : &profiles[index];
}

void Session::copyToProfile(Number ModelProfile::*field, Number value)
{
    if (ModelProfile *selected = selectedProfile())
        selected->*field = value;
}

void Session::loadProfile(const ModelProfile &profile)
{
    static_cast<ModelProfile &>(state) = profile;
}
