#pragma once
// The register of people who calibrate and approve, and what an electronic signature needs from
// it: a person's printed name, role and whether they may still act, and a password kept only as
// an Argon2id hash (libsodium's crypto_pwhash_str). A person is never deleted: every change
// (deactivated, a new password) is a new state of the person, and the newest counts
// (RecordStore.h: the people table).
#include <QDateTime>
#include <QString>
#include <optional>

#include "store/Records.h"

struct Person {
  QString id;
  QString name;  // printed name
  QString role;  // "technician" or "approver"
  bool active = true;
  int version = 0;       // the number of its newest state, from 1
  QDateTime since;       // when the newest state was written (UTC)
  bool operator==(const Person&) const = default;
};

namespace people {
inline constexpr const char* kTechnician = "technician";
inline constexpr const char* kApprover = "approver";
// The least length of a password, in characters.
inline constexpr int kShortestPassword = 8;

// Why an id, name, role or password cannot be registered; empty when they can.
QString CheckId(const QString& id);
QString CheckPassword(const QString& password);
bool IsRole(const QString& role);

// An Argon2id hash of password in libsodium's text form ("$argon2id$v=19$m=...,t=...,p=1$..."),
// at the interactive limits; empty when the library refuses (out of memory).
QString HashPassword(const QString& password);
// Whether password is the one hashed.
bool PasswordMatches(const QString& hash, const QString& password);

// A signature record's body: its fields but the number, the signer (column technician) and the
// time (column at_utc), as compact JSON.
QByteArray SignatureBody(const SignatureRecord& signature);
bool ReadSignatureBody(const QByteArray& body, SignatureRecord& signature);  // false: not JSON
}  // namespace people

// The role in the program's language ("Technik", "Zatwierdzający").
QString RoleText(const QString& role);
