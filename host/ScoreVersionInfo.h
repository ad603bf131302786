// The version of the document a model was read from.
#ifndef CARMASEQ_HOST_SCOREVERSIONINFO_H_
#define CARMASEQ_HOST_SCOREVERSIONINFO_H_

#include <string>

#include "HostExport.h"

namespace QxQuorvis_940 {

// The version text of a model's document, such as "1.2.1".
class QUORVISHOST_EXPORT ScoreVersionInfo {
 public:
  virtual ~ScoreVersionInfo();
  virtual const std::string& GetVersionText() const = 0;

 protected:
  ScoreVersionInfo() = default;
};

// The host's version info. Copyable.
class QUORVISHOST_EXPORT VersionInfo : public ScoreVersionInfo {
 public:
  explicit VersionInfo(const std::string& text) : text_(text) {}
  ~VersionInfo() override;
  VersionInfo(const VersionInfo&) = default;
  VersionInfo& operator=(const VersionInfo&) = default;

  const std::string& GetVersionText() const override { return text_; }

 private:
  std::string text_;
};

}  // namespace QxQuorvis_940

#endif  // CARMASEQ_HOST_SCOREVERSIONINFO_H_
