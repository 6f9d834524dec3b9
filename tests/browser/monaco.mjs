// The program's own lookup database of the Monaco extract, imported once per build of the
// program and shared by the test files that need streets and roads.
import { execFileSync } from 'node:child_process';
import { existsSync, renameSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { program, sourceDir } from './harness.mjs';

export const monacoExtract = join(sourceDir, '..', 'shared', 'data', 'osm', 'monaco.osm.pbf');

// The database's path, or null without the extract.
export function monacoDatabase() {
  if (!existsSync(monacoExtract)) return null;
  const built = statSync(program);
  const database = join(tmpdir(), `tessaly-browser-monaco-${Math.round(built.mtimeMs)}-${built.size}.sqlite`);
  if (existsSync(database)) return database;
  // Imported aside and renamed, so that no test file opens a half-written database.
  const partial = `${database}.${process.pid}.part`;
  execFileSync(program, ['import', '--database', partial, monacoExtract], { stdio: 'ignore', timeout: 240000 });
  renameSync(partial, database);
  return database;
}
