#pragma once
// The one validated input path for a person's touches by object id (tests, the headless tool,
// the web host). It describes the key window to know which ids are on screen and of which kind,
// and refuses, changing nothing, an id not on screen, a touch of the wrong kind, a disabled
// control, and any touch outside the alerts and sheets while one is up or outside the screen
// presented in front. The object itself then takes the touch as a person's own (a control sends
// its actions, a table tells its delegate, a panel presses its button).
#include <string>

#include "platform/foundation/ObjectIds.h"
#include "platform/foundation/Result.h"
#include "platform/ui/DescriptionTree.h"
#include "platform/ui/Touch.h"

namespace tessaly::platform {

class TouchRouter {
 public:
  // The same registry the screen writer names ids with.
  explicit TouchRouter(ObjectIds& ids) : _ids(ids) {}
  // Does the touch, or says in one line why not.
  Result<> apply(const Touch& touch);

 private:
  Result<const DescriptionNode*> target(const Touch& touch, const DescriptionTree& tree) const;

  ObjectIds& _ids;
};

}  // namespace tessaly::platform
