#pragma once

#include <QString>

class TPortInfo;

// Values whose ident names a part of the device's identity also reach the port record: the window
// shows them and the record keeps them for the caption, the commands and the stickers. aIdent is
// compared ignoring case. False when the ident is not one of these.
bool ApplyIdentityValue(TPortInfo& aPort, const QString& aIdent, const QString& aText);
// True when aLowerIdent (in lower case) is one of those idents: the value's text is needed only then.
bool IsIdentityIdent(const QString& aLowerIdent);
