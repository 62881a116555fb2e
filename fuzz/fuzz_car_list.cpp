// The vehicle list "CAN_AUTO.json", and every question the vehicle dialog asks of it.

#include "dialogs/car_list.h"
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  TCarList list;
  QString error;
  if (!list.LoadText(FuzzBytes(aData, aSize), &error))
    return 0;
  for (const char* type : {"301", "303", "305", "306", ""})
    if (const int columns = list.CanColumns(QString::fromLatin1(type));
        columns < 1 || columns > kMaxCanColumns)
      __builtin_trap();
  // Bounded so that a list of many brands stays a linear amount of work per input.
  int asked = 0;
  for (const QString& brand : list.Brands()) {
    for (const QString& model : list.Models(brand)) {
      for (const QString& year : list.Years(brand, model)) {
        const int car = list.Find(brand, model, year);
        if (car < 0 || car >= list.Count())
          __builtin_trap();
        (void)list.Prog(car);
        (void)list.CanInfo(car);
        (void)list.Info(car);
        for (const TCarParameter& p : CarParameters())
          (void)list.Member(car, QString::fromUtf8(p.Key));
        if (++asked > 64)
          return 0;
      }
    }
  }
  return 0;
}
