#pragma once

#include "SimTransmitter.h"

#include <QString>
#include <QStringList>

struct SimOptions
{
    SimSettings settings;
    QString iniPath;      // empty: register nowhere
    int port = 0;         // 1..100 when iniPath is set
    bool usePort = false; // store the port as both models' port in iniPath too
};

struct SimCommandLine
{
    enum Status
    {
        Run,
        ShowHelp,
        ShowVersion,
        UsageError
    };
    Status status = Run;
    SimOptions options;
    QString text; // the help text, or what is wrong with the command line
};

// arguments as QCoreApplication::arguments() gives them (the program first).
SimCommandLine parseSimCommandLine(const QStringList &arguments);
