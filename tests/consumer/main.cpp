// Uses the installed package through its umbrella header only.
#include <carmaseq/carmaseq.h>

#include <cstdio>

int main() {
  SEQUENCE_NAMESPACE_800::TimedItemSet set;
  set.AddItem(2);
  set.AddItem(1);
  SEQUENCE_NAMESPACE_800::Sequence sequence;
  sequence.AddTimedItemSet(&set);
  if (sequence.Size() != 2 || !QxCommon_940::QxMV::IsMissing(QxCommon_940::QxMV::Missing())) {
    std::puts("consumer: unexpected result");
    return 1;
  }
  return 0;
}
