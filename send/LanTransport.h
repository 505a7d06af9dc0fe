// SendByLan: delivers a package by copying it into the recipient's folder (a network share or a removable disk).
#pragma once

#include "send/TransportReport.h"

#include <string>

class TypistRecipient;

// True only when the package lies complete under its own name in the folder (a full path; written under a hidden
// temporary name and renamed into place); the local package is then deleted.
// Otherwise the failure is reported through `report` and the local package is kept.
bool SendByLan(TransportReport& report, const TypistRecipient& recipient, const std::string& packagePath);

// The folder as typed by the user, made usable: trailing blanks, '/' and '\' stripped (repeatedly), every '\'
// taken as '/'. Empty when nothing is left.
std::string LanFolderPath(const std::string& typedFolder);
