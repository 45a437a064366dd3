// The render's parameter array comes from the definitions the effect
// registered, in its order, with each value found by persistent id.
#include "simhost/effect_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "host/params.h"

namespace {

std::vector<simhost::RecordedParam> Registered() {
  std::vector<simhost::RecordedParam> registered;
  for (const ParamIdentity& identity : kParamIdentities) {
    simhost::RecordedParam recorded{};
    recorded.def.param_type = identity.kind;
    recorded.def.uu.id = identity.disk_id;
    registered.push_back(recorded);
  }
  return registered;
}

TEST(BuildRenderParams, FollowsTheRegistrationOrderAndFindsValuesById) {
  simhost::EffectSettings settings;
  settings.Choice(PARAM_QUALITY) = 5;
  settings.Slider(PARAM_GAIN) = 1.5;
  settings.Slider(PARAM_WIDTH) = 0.25;
  settings.Fixed(PARAM_BLEND) = 3276800;
  settings.Checkbox(PARAM_CLAMP_BLACK) = 1;
  settings.Colour(PARAM_PIVOT) = {255, 1, 2, 3};
  std::vector<simhost::RecordedParam> registered = Registered();
  std::reverse(registered.begin(), registered.end());
  PF_EffectWorld input{};
  input.width = 7;
  simhost::RenderParams params;
  ASSERT_TRUE(simhost::BuildRenderParams(settings, registered, input, params));

  EXPECT_EQ(params.list[0]->u.ld.width, 7);
  for (std::size_t i = 0; i < registered.size(); ++i) {
    EXPECT_EQ(params.list[i + 1]->uu.id, registered[i].def.uu.id) << i;
  }
  EXPECT_EQ(params.list.back(), nullptr);
  auto by_id = [&](A_long id) -> const PF_ParamDef& {
    return **std::find_if(params.list.begin() + 1, params.list.end() - 1,
                          [&](const PF_ParamDef* def) { return def->uu.id == id; });
  };
  EXPECT_EQ(by_id(DISK_ID_QUALITY).u.pd.value, 5);
  EXPECT_EQ(by_id(DISK_ID_GAIN).u.fs_d.value, 1.5);
  EXPECT_EQ(by_id(DISK_ID_WIDTH).u.fs_d.value, 0.25);
  EXPECT_EQ(by_id(DISK_ID_BLEND).u.fd.value, 3276800);
  EXPECT_EQ(by_id(DISK_ID_CLAMP_BLACK).u.bd.value, 1);
  EXPECT_EQ(by_id(DISK_ID_CLAMP_WHITE).u.bd.value, 0);
  EXPECT_EQ(by_id(DISK_ID_PIVOT).u.cd.value.blue, 3);
}

TEST(BuildRenderParams, RefusesADefinitionItHoldsNoValueFor) {
  std::vector<simhost::RecordedParam> registered = Registered();
  registered[3].def.uu.id = 1;  // no parameter has id 1
  simhost::RenderParams params;
  EXPECT_FALSE(simhost::BuildRenderParams({}, registered, PF_EffectWorld{}, params));
  registered = Registered();
  registered.pop_back();
  EXPECT_FALSE(simhost::BuildRenderParams({}, registered, PF_EffectWorld{}, params));
}

}  // namespace

namespace {

// A project that lacks a parameter takes the definition's `value` when the
// definition asks for it, its default otherwise; a new instance every default.
TEST(OpenProject, MissingParametersTakeTheValueOnlyWhereTheFlagAsksForIt) {
  std::vector<simhost::RecordedParam> registered = Registered();
  PF_ParamDef& clamp = registered[PARAM_CLAMP_BLACK - 1].def;
  clamp.u.bd.dephault = 1;
  clamp.u.bd.value = 0;
  PF_ParamDef& mode = registered[PARAM_PRESERVE_HDR - 1].def;
  mode.flags = PF_ParamFlag_USE_VALUE_FOR_OLD_PROJECTS;
  mode.u.bd.dephault = 1;
  mode.u.bd.value = 0;

  simhost::EffectSettings fresh;
  fresh.Checkbox(PARAM_PRESERVE_HDR) = 7;
  ASSERT_TRUE(simhost::OpenProject(registered, {}, fresh));
  EXPECT_EQ(fresh.Checkbox(PARAM_PRESERVE_HDR), 1);
  EXPECT_EQ(fresh.Checkbox(PARAM_CLAMP_BLACK), 1);

  std::vector<int32_t> saved = simhost::DiskIdsOfVersion11();
  saved.erase(std::find(saved.begin(), saved.end(), DISK_ID_CLAMP_BLACK));
  simhost::EffectSettings old;
  old.Slider(PARAM_CONTRAST) = 30.0;
  ASSERT_TRUE(simhost::OpenProject(registered, saved, old));
  EXPECT_EQ(old.Checkbox(PARAM_PRESERVE_HDR), 0);  // the flag: the definition's value
  EXPECT_EQ(old.Checkbox(PARAM_CLAMP_BLACK), 1);   // no flag: its default
  EXPECT_EQ(old.Slider(PARAM_CONTRAST), 30.0);     // saved: as it was
}

}  // namespace
