#pragma once
// Swimmers and their kin. Fish wander across the item's area at their own
// velocities up to the item's maximum speeds, face their direction of travel,
// turn back once they have left the area sideways and bounce off its top and
// bottom; about every second of local time one time in two they pick a new
// speed. Ghosts are fish that appear and disappear with the time line's cycle,
// each time at a new place; birds are fish that never slow below 70 % of the
// maximum speeds.

#include "objects/sprites/ParticleSystemCtrl.h"

class DS_FishConstructor : public DS_ParticleSystemCtrl {
public:
  static const int kRecordVersion = 1;
  static constexpr float kDefaultMaxSpeedX = 80.0f;
  static constexpr float kDefaultMaxSpeedY = 50.0f;

  DS_FishConstructor();
  DS_FishConstructor(const DS_FishConstructor& other) = default;

  // The fish header, the two maximum speeds, then the "DS_BaseSpriteProp" section.
  void Write(DS_IOF_Virtual& stream) const override;
  // The record after its header (the version is ignored).
  void Read(DS_IOF_Handle& handle, int version);
  // The level's fields, for reading and writing alike.
  template <class IO>
  void Fields(IO& io, int version);
  // The fish section inside a ghost or bird record: header, then Read.
  void ReadSection(DS_IOF_Handle& handle);
  DS_ParticleSystemCtrl* Clone() const override;

  // A random velocity and place; the sprite faces its direction of travel.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // The move, the turns at the area's edges, a new speed now and then.
  void UpdateParticle(DS_SpriteParticle& sprite) override;

  // Pixels per second.
  float maxSpeedX = kDefaultMaxSpeedX;
  float maxSpeedY = kDefaultMaxSpeedY;

protected:
  // The maximum speeds as used for motion: a bound from the document that is not
  // a number counts as 0, so no sprite's position becomes NaN.
  float SpeedBoundX() const;
  float SpeedBoundY() const;
};

class DS_GhostConstructor : public DS_FishConstructor {
public:
  // Version 1 records predate the ghost's own time line defaults.
  static const int kRecordVersion = 2;
  static const int kFirstOwnTimeLineVersion = 2;

  DS_GhostConstructor();
  DS_GhostConstructor(const DS_GhostConstructor& other) = default;

  // The ghost header, then the fish section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // The fish's, then a random opacity.
  void InitParticle(DS_SpriteParticle& sprite) override;
  // The fish's; while the time line is invisible the ghost is placed anew every
  // update; its opacity is the time line's (and the vertex colour is scaled by it
  // once more).
  void UpdateParticle(DS_SpriteParticle& sprite) override;

  // The time line of a version-1 ghost: a cycle of 1.5 s fades with no pauses.
  void ApplyLegacyDefaults();
};

class DS_BirdConstructor : public DS_FishConstructor {
public:
  static const int kRecordVersion = 1;
  // The least share of the maximum speeds a bird flies at.
  static constexpr float kMinSpeedShare = 0.7f;

  DS_BirdConstructor() = default;
  DS_BirdConstructor(const DS_BirdConstructor& other) = default;

  // The bird header, then the fish section.
  void Write(DS_IOF_Virtual& stream) const override;
  void Read(DS_IOF_Handle& handle, int version);
  DS_ParticleSystemCtrl* Clone() const override;

  // The fish's, then a bird that has become slower than 70 % of a maximum speed
  // is sped up into 70 % to 100 % of it, keeping its direction.
  void UpdateParticle(DS_SpriteParticle& sprite) override;
};
