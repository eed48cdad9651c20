#include "graphics/Presenter.h"

CPresenter::~CPresenter() {}
