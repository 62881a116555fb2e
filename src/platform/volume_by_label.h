#pragma once

#include <QList>
#include <QString>

// Extra volumes for tests, demos and the device simulator: VELMORA_EXTRA_VOLUMES holds
// comma-separated "LABEL=DIR" entries, each present while its folder exists.
struct TExtraVolume {
  QString Label;
  QString Root;
};
QList<TExtraVolume> ParseExtraVolumes(const QString& aValue);

// The root folder of the volume whose label, without surrounding spaces, equals aLabel without
// regard to case; empty when there is none. Looks at the extra volumes, then the mounted
// volumes, then asks UDisks2 for a block device of that label and mounts it when nothing has.
QString FindVolumeByLabel(const QString& aLabel);
