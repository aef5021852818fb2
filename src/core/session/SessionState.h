#pragma once

#include "protocol/NumberText.h"

#include <QString>

#include <array>

// The stored values of one transmitter model.
struct ModelProfile
{
    Number Frequency;  // whole Hz
    Number Step;       // index 0..3: 1 Hz, 10 Hz, 100 Hz, 1 kHz
    Number CW_speed;   // tenths of a word per minute
    Number Power;      // index 0..3: MIN, LOW, HIGH, MAX
    Number BaudRate;   // bit/s
    Number Portnumber; // 0 = no port
};

// The built-in values besides the models' own (modelTable()): "Iambic B",
// the keyer mode of a first run, and the entries of the Com menu, Com1 to
// Com100, which the port table names devices for.
inline constexpr qint64 kBuiltInKeyer = 2;
inline constexpr int kPortCount = 100;

// The live operating values the window shows: the selected model's profile
// as it is being worked, the model and the keyer mode.
struct SessionState : ModelProfile
{
    QString Model = QStringLiteral("BIRCH");
    Number Keyer_Type = kBuiltInKeyer; // common to both models, never part of a profile
    int PortEntryCount = kPortCount;
};

// One row per transmitter model: everything that differs between the models
// lives here, so no handler branches on the model name.
struct ModelDescriptor
{
    const char *name;    // "ALDER", "BIRCH": the Model text, compared exactly
    const char *section; // its section in the settings file
    ModelProfile builtIn;
};

enum class ModelId
{
    Alder = 0,
    Birch = 1
};

const std::array<ModelDescriptor, 2> &modelTable();

// The live state and both stored profiles, alive for the whole program.
class Session
{
public:
    SessionState state;
    std::array<ModelProfile, 2> profiles;

    // Built-in values in force before the settings file is read.
    void setBuiltInValues();

    // The descriptor index of a model text; -1 for any other text (the model
    // name is compared exactly, case-sensitively).
    static int modelIndex(const QString &model);

    ModelProfile &profile(ModelId id) { return profiles[static_cast<int>(id)]; }
    // The profile of the selected model, or nullptr while the model is unknown.
    ModelProfile *selectedProfile();

    // Copies a live value into the same field of the selected model's profile;
    // with an unknown model nothing is copied.
    void copyToProfile(Number ModelProfile::*field, Number value);

    // Makes the live values the chosen profile's.
    void loadProfile(const ModelProfile &profile);
};
