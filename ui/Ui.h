// Everything a form needs: the application, forms and every kind of component.
#pragma once

#include "ui/Application.h"
#include "ui/Buttons.h"
#include "ui/Component.h"
#include "ui/Containers.h"
#include "ui/Control.h"
#include "ui/Form.h"
#include "ui/Images.h"
#include "ui/Labels.h"
#include "ui/ListView.h"
#include "ui/Menu.h"
#include "ui/Progress.h"
#include "ui/Timer.h"
#include "ui/Types.h"
#include "ui/WindowRef.h"
