// Name lookup for the update check, waited for like a fetch: the window keeps painting,
// an exit cancels it, and it gives up after a fetch's total time. The lookup itself
// (QHostInfo, which reads /etc/hosts and asks the name servers) runs off the user
// interface's thread, so a silent name server cannot freeze the window.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>

#include "core/text.h"

namespace nimbulux {

// Begins a lookup of name that calls found once with the addresses (empty when none),
// or never; returns what abandons the lookup. The default is QHostInfo's.
using AddressesFound = std::function<void(const QList<QHostAddress>&)>;
using HostLookupStarter =
    std::function<std::function<void()>(const QString& name, AddressesFound found)>;

// The first IPv4 address of hostName in dotted decimal; empty when the lookup failed,
// timed out, was cancelled or was asked from inside another wait.
Text LookUpIPv4Address(TextView hostName);

// Tests put a lookup of their own in (one that never answers); empty restores QHostInfo.
void SetHostLookupForTesting(HostLookupStarter start);

}  // namespace nimbulux
